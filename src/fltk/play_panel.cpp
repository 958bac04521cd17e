#include "fltk/play_panel.h"

#include <FL/Fl.H>
#include <FL/Fl_RGB_Image.H>

#include <cmath>
#include <memory>
#include <optional>
#include <utility>

#include "app/play_session.h"
#include "app/progress_file.h"
#include "fltk/header_panel.h"
#include "fltk/player.h"
#include "pictures/fit.h"
#include "pictures/picture_loader.h"
#include "play/grading.h"
#include "quiz/quiz_loader.h"
#include "quiz/quiz_record.h"
#include "text/cp1252.h"

// Last: X11's macros come with it (None among them), and the core's names
// must be read before they exist.
#include <FL/fl_draw.H>

// The picture control: SS_BITMAP with SS_CENTERIMAGE inside a border. The
// picture is centred in it, and what it leaves uncovered takes the colour of
// its top-left pixel; with no picture the panel shows through.
class PictureBox final : public StaticText {
public:
    PictureBox(int x, int y, int w, int h, Fl_Color background)
        : StaticText(x, y, w, h, std::string(), kGuiFont, background), background_(background) {}

    void SetPicture(std::optional<brivel::RgbImage> picture) {
        // The image only points at the pixels: it goes first.
        image_.reset();
        pixels_ = std::move(picture);
        if (pixels_ && !pixels_->pixels.empty()) {
            image_ = std::make_unique<Fl_RGB_Image>(pixels_->pixels.data(), pixels_->width,
                                                    pixels_->height, 3);
        }
        redraw();
    }

protected:
    void draw() override {
        fl_color(kBorderColour);
        fl_rect(x(), y(), w(), h());
        const int innerX = x() + 1;
        const int innerY = y() + 1;
        const int innerW = w() - 2;
        const int innerH = h() - 2;
        if (!image_) {
            fl_color(background_);
            fl_rectf(innerX, innerY, innerW, innerH);
            return;
        }
        if (image_->w() < innerW || image_->h() < innerH) {
            const std::uint8_t* corner = pixels_->pixels.data();
            fl_color(corner[0], corner[1], corner[2]);
            fl_rectf(innerX, innerY, innerW, innerH);
        }
        fl_push_clip(innerX, innerY, innerW, innerH);
        image_->draw(innerX + (innerW - image_->w()) / 2, innerY + (innerH - image_->h()) / 2);
        fl_pop_clip();
        TraceFirstPicture();
        TracePictureShown();
    }

private:
    Fl_Color background_;
    std::optional<brivel::RgbImage> pixels_;
    std::unique_ptr<Fl_RGB_Image> image_;
};

// SS_CENTER with SS_CENTERIMAGE: one line, centred both ways, in a border.
class VerdictField final : public StaticText {
public:
    VerdictField(int x, int y, int w, int h)
        : StaticText(x, y, w, h, "?", kSystemFont, kFaceColour) {}

    void Show(std::string utf8, Fl_Color fill) {
        text_ = std::move(utf8);
        fill_ = fill;
        redraw();
    }

protected:
    void draw() override {
        fl_draw_box(kBorderBox, x(), y(), w(), h(), fill_);
        fl_push_clip(x() + 1, y() + 1, w() - 2, h() - 2);
        fl_font(kSystemFont.face, kSystemFont.size);
        const int length = static_cast<int>(text_.size());
        const int width = static_cast<int>(std::lround(fl_width(text_.data(), length)));
        const int top = y() + 1 + (h() - 2 - fl_height()) / 2;
        fl_color(FL_BLACK);
        fl_draw(text_.data(), length, x() + 1 + (w() - 2 - width) / 2,
                top + fl_height() - fl_descent());
        fl_pop_clip();
    }

private:
    std::string text_ = "?";
    Fl_Color fill_ = kFaceColour;
};

namespace {

HeaderPanel* Header(const brivel::QuizRecord& record) {
    return static_cast<HeaderPanel*>(record.headerPanel);
}

}  // namespace

PlayPanel::PlayPanel(int x, int y, int w, int h, brivel::QuizRecord& record,
                     brivel::ResourceProvider& resources, brivel::MessageSink& sink)
    : Panel(x, y, w, h, brivel::BrushColour(record.backBrush, kFaceColour)),
      record_(record),
      resources_(resources),
      sink_(sink),
      play_(record, *this) {
    // Positions are the Windows player's, in the panel's client area.
    const int left = x + Fl::box_dx(box());
    const int top = y + Fl::box_dy(box());
    const int width = w - Fl::box_dw(box());
    const int height = h - Fl::box_dh(box());
    const auto place = [&](const brivel::WindowControl& control) {
        const brivel::WindowRect at = control.PlaceIn(width, height);
        return brivel::WindowRect{left + at.x, top + at.y, at.w, at.h};
    };
    const auto textOf = [&](const brivel::WindowControl& control) {
        return brivel::Cp1252ToUtf8(brivel::InitialText(control, record));
    };
    const brivel::WindowRect pictureAt = place(brivel::kPictureControl);
    picture_ = new PictureBox(pictureAt.x, pictureAt.y, pictureAt.w, pictureAt.h, color());
    const brivel::WindowRect previousAt = place(brivel::kPreviousButton);
    auto* previous = new WinButton(previousAt.x, previousAt.y, previousAt.w, previousAt.h,
                                   textOf(brivel::kPreviousButton), true, kSystemFont);
    previous->callback(OnPrevious, this);
    const brivel::WindowRect boxAt = place(brivel::kAnswerBox);
    box_ = new AnswerBox(boxAt.x, boxAt.y, boxAt.w, boxAt.h, *this);
    const brivel::WindowRect verdictAt = place(brivel::kVerdictField);
    verdict_ = new VerdictField(verdictAt.x, verdictAt.y, verdictAt.w, verdictAt.h);
    const brivel::WindowRect nextAt = place(brivel::kNextButton);
    auto* next = new WinButton(nextAt.x, nextAt.y, nextAt.w, nextAt.h, textOf(brivel::kNextButton),
                               true, kSystemFont);
    next->callback(OnNext, this);
    const brivel::WindowRect chooserAt = place(brivel::kPictureChooser);
    chooser_ = new Chooser(chooserAt.x, chooserAt.y, chooserAt.w, brivel::kChooserFieldHeight);
    chooser_->callback(OnChooser, this);
    for (int k = 1; k <= record.pictureCount; ++k) {
        chooser_->add(brivel::Cp1252ToUtf8(brivel::ChooserLabel(k)).c_str(), 0, nullptr, nullptr,
                      0);
    }
    end();
}

void PlayPanel::Start() {
    brivel::LoadProgress(record_, brivel::ProgressFileToLoad(PlayerProgressPlaces()));
    brivel::StartSession(record_, play_, *this);
}

void PlayPanel::Save() {
    brivel::SaveSession(record_, &play_, brivel::ProgressFileToSave(PlayerProgressPlaces()));
}

void PlayPanel::ShowVerdict(std::string_view word) {
    verdict_->Show(brivel::Cp1252ToUtf8(word),
                   brivel::BrushColour(brivel::VerdictBrush(record_, word), kFaceColour));
}

void PlayPanel::ShowProgress(std::string_view text) {
    if (HeaderPanel* header = Header(record_)) {
        header->ShowProgress(text);
    }
}

void PlayPanel::ShowCode(std::string_view text) {
    if (HeaderPanel* header = Header(record_)) {
        header->ShowCode(text);
    }
}

void PlayPanel::ShowPicture(int index) {
    std::optional<brivel::RgbImage> picture =
        brivel::LoadPicture(resources_, brivel::PictureResourceId(index), brivel::kPictureBoxWidth,
                            brivel::kPictureBoxHeight, sink_);
    TracePictureLoaded();
    picture_->SetPicture(std::move(picture));
}

void PlayPanel::SelectChooserEntry(int index) {
    chooser_->value(index);
}

void PlayPanel::SetBoxText(std::string_view text) {
    box_->value(brivel::Cp1252ToUtf8(text).c_str());
}

std::string PlayPanel::BoxText() {
    return brivel::BoxTextFromUtf8(box_->value());
}

// The chooser always shows the picture on screen.
void PlayPanel::SubmitFromBox() {
    play_.SubmitAnswer(chooser_->value());
}

void PlayPanel::SaveFromBox() {
    Save();
}

void PlayPanel::OnPrevious(Fl_Widget* /*widget*/, void* panel) {
    TraceMoveStart();
    static_cast<PlayPanel*>(panel)->play_.PreviousPicture();
}

void PlayPanel::OnNext(Fl_Widget* /*widget*/, void* panel) {
    TraceMoveStart();
    static_cast<PlayPanel*>(panel)->play_.NextPicture();
}

void PlayPanel::OnChooser(Fl_Widget* /*widget*/, void* panel) {
    auto* self = static_cast<PlayPanel*>(panel);
    TraceMoveStart();
    self->play_.ChoosePicture(self->chooser_->value());
}
