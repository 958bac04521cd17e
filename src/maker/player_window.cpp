#include "maker/player_window.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>

#include "app/window_layout.h"
#include "pictures/fit.h"
#include "pictures/picture_loader.h"
#include "play/grading.h"
#include "play/play_state.h"
#include "quiz/quiz_loader.h"
#include "quiz/quiz_record.h"
#include "services/value_graphics.h"
#include "text/cp1252.h"
#include "text/text_wrap.h"

namespace brivel::tool {

namespace {

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kCaptionColour{10, 36, 106};

PlayerFace FaceOf(FontHandle font) {
    return font != nullptr ? FaceFor(*ValueGraphics::FontOf(font)) : kGuiFace;
}

Rgb ColourOf(BrushHandle brush, Rgb fallback) {
    return brush != nullptr ? *ValueGraphics::ColourOf(brush) : fallback;
}

// The record's two fonts as the player makes them.
struct RecordFaces {
    PlayerFace title;
    PlayerFace progress;
};

const RecordFaces& Faces() {
    static const RecordFaces faces = [] {
        ValueGraphics graphics;
        QuizRecord record(graphics);
        return RecordFaces{FaceOf(record.titleFont), FaceOf(record.progressFont)};
    }();
    return faces;
}

constexpr PlayerFace kLinkFace{false, false, -LinkFontSpec(kLinkText.h.pixels).height, true};

// A text's box in the client area.
struct TextBox {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    PlayerFace face;
    bool oneLine = false;  // the code field: an edit control, which never wraps
};

// FLTK's read-only field draws its line 1 pixel in from the left, centred
// up and down, cut at the field's edge.
constexpr int kEditMargin = 1;

TextBox BoxOf(WindowText where) {
    const auto at = [](const WindowControl& control, const PlayerFace& face, bool oneLine = false) {
        const WindowRect place = PlaceInWindow(control);
        return TextBox{place.x, place.y, place.w, place.h, face, oneLine};
    };
    switch (where) {
        case WindowText::Title:
            return at(kTitleText, Faces().title);
        case WindowText::Author:
            return at(kAuthorText, kGuiFace);
        case WindowText::Explanation:
            return at(kExplanationText, kGuiFace);
        case WindowText::Code:
            return at(kCodeText, kGuiFace, true);
        case WindowText::Link:
            return at(kLinkText, kLinkFace);
        case WindowText::Status:
            return at(kStatusLine, kGuiFace);
        case WindowText::ByLabel:
            return at(kByLabel, kGuiFace);
        case WindowText::CodeLabel:
            return at(kCodeLabel, kGuiFace);
    }
    return {};
}

struct Line {
    std::string text;
    std::size_t end = 0;  // where the line ends in the whole text
};

// The lines of a static text in its box, each with where it ends in utf8.
std::vector<Line> LinesOf(PlayerFonts& fonts, const TextBox& box, std::string_view utf8) {
    const MeasureText measure = [&fonts, &box](std::string_view text) {
        return fonts.Width(box.face, text);
    };
    std::vector<Line> lines;
    std::size_t at = 0;
    for (std::string& text : WrapText(utf8, box.w, measure)) {
        const std::size_t found = utf8.find(text, at);
        at = found == std::string_view::npos ? utf8.size() : found + text.size();
        lines.push_back({std::move(text), at});
    }
    return lines;
}

// The characters of a one-line text that fit whole in width.
std::size_t FittingPrefix(PlayerFonts& fonts, const PlayerFace& face, std::string_view utf8,
                          int width) {
    std::size_t end = 0;
    while (end < utf8.size()) {
        std::size_t next = end + 1;
        while (next < utf8.size() && (static_cast<unsigned char>(utf8[next]) & 0xC0) == 0x80) {
            ++next;
        }
        if (fonts.Width(face, utf8.substr(0, next)) > width) {
            break;
        }
        end = next;
    }
    return end;
}

// ---------------------------------------------------------------------------
// Drawing, as src/fltk/widgets.cpp draws.

class Canvas {
public:
    Canvas(RgbImage& image, PlayerFonts& fonts) : image_(image), fonts_(fonts) {}

    // Client-area coordinates from here on.
    void SetOrigin(int x, int y) {
        originX_ = x;
        originY_ = y;
    }
    void Clip(int x, int y, int w, int h) { clip_ = {x + originX_, y + originY_, w, h}; }
    void Unclip() { clip_ = {0, 0, image_.width, image_.height}; }

    void Fill(int x, int y, int w, int h, Rgb colour) {
        const int left = std::max(x + originX_, clip_.x);
        const int top = std::max(y + originY_, clip_.y);
        const int right = std::min({x + originX_ + w, clip_.x + clip_.w, image_.width});
        const int bottom = std::min({y + originY_ + h, clip_.y + clip_.h, image_.height});
        for (int py = std::max(top, 0); py < bottom; ++py) {
            for (int px = std::max(left, 0); px < right; ++px) {
                std::uint8_t* pixel =
                    &image_.pixels[(static_cast<std::size_t>(py) * image_.width + px) * 3];
                pixel[0] = colour.red;
                pixel[1] = colour.green;
                pixel[2] = colour.blue;
            }
        }
    }

    void Rect(int x, int y, int w, int h, Rgb colour) {
        Fill(x, y, w, 1, colour);
        Fill(x, y + h - 1, w, 1, colour);
        Fill(x, y, 1, h, colour);
        Fill(x + w - 1, y, 1, h, colour);
    }

    // One ring of a Windows edge: top and left in one colour, bottom and right in the other.
    void Ring(int x, int y, int w, int h, Rgb topLeft, Rgb bottomRight) {
        Fill(x, y, w, 1, topLeft);
        Fill(x, y, 1, h, topLeft);
        Fill(x, y + h - 1, w, 1, bottomRight);
        Fill(x + w - 1, y, 1, h, bottomRight);
    }

    void TwoRings(int x, int y, int w, int h, const Rgb (&colours)[4], Rgb fill) {
        Ring(x, y, w, h, colours[0], colours[1]);
        Ring(x + 1, y + 1, w - 2, h - 2, colours[2], colours[3]);
        Fill(x + 2, y + 2, w - 4, h - 4, fill);
    }

    void BorderBox(int x, int y, int w, int h, Rgb fill) {
        Rect(x, y, w, h, kBorderColour);
        Fill(x + 1, y + 1, w - 2, h - 2, fill);
    }

    void Text(int x, int baseline, const PlayerFace& face, std::string_view utf8, Rgb colour) {
        fonts_.Draw(image_, clip_, face, x + originX_, baseline + originY_, utf8, colour);
    }

    void Blit(const RgbImage& picture, int x, int y) {
        for (int row = 0; row < picture.height; ++row) {
            const int py = y + originY_ + row;
            if (py < clip_.y || py >= clip_.y + clip_.h) {
                continue;
            }
            for (int column = 0; column < picture.width; ++column) {
                const int px = x + originX_ + column;
                if (px < clip_.x || px >= clip_.x + clip_.w) {
                    continue;
                }
                std::memcpy(
                    &image_.pixels[(static_cast<std::size_t>(py) * image_.width + px) * 3],
                    &picture.pixels[(static_cast<std::size_t>(row) * picture.width + column) * 3],
                    3);
            }
        }
    }

    PlayerFonts& fonts() { return fonts_; }

private:
    RgbImage& image_;
    PlayerFonts& fonts_;
    int originX_ = 0;
    int originY_ = 0;
    ClipRect clip_{0, 0, kOuterWidth, kOuterHeight};
};

// A StaticText: its lines from the top, cut to the box, each centred or not.
void DrawStatic(Canvas& canvas, const TextBox& box, std::string_view utf8, Rgb background,
                Rgb colour, bool centred = false, std::optional<Rgb> cells = std::nullopt) {
    canvas.Fill(box.x, box.y, box.w, box.h, background);
    if (utf8.empty()) {
        return;
    }
    PlayerFonts& fonts = canvas.fonts();
    const int lineHeight = fonts.Height(box.face);
    const int ascent = lineHeight - fonts.Descent(box.face);
    canvas.Clip(box.x, box.y, box.w, box.h);
    int top = box.y;
    for (const Line& line : LinesOf(fonts, box, utf8)) {
        if (top >= box.y + box.h) {
            break;
        }
        const int width = fonts.Width(box.face, line.text);
        const int left = centred ? box.x + (box.w - width) / 2 : box.x;
        if (cells) {
            canvas.Fill(left, top, width, lineHeight, *cells);
        }
        canvas.Text(left, top + ascent, box.face, line.text, colour);
        if (box.face.underline && width > 0) {
            canvas.Fill(left, top + ascent + 1, width, 1, colour);
        }
        top += lineHeight;
    }
    canvas.Unclip();
}

// A label centred in a box as fl_draw centres it.
void DrawLabel(Canvas& canvas, int x, int y, int w, int h, const PlayerFace& face,
               std::string_view utf8) {
    PlayerFonts& fonts = canvas.fonts();
    const int height = fonts.Height(face);
    const int baseline = y + (h - height) / 2 + height - fonts.Descent(face);
    canvas.Text(x + (w - fonts.Width(face, utf8)) / 2, baseline, face, utf8, kBlack);
}

// A push button: its raised edges (inside a border with WS_BORDER) and its label.
void DrawButton(Canvas& canvas, int x, int y, int w, int h, bool bordered, const PlayerFace& face,
                std::string_view label) {
    if (bordered) {
        canvas.Rect(x, y, w, h, kBorderColour);
        ++x;
        ++y;
        w -= 2;
        h -= 2;
    }
    canvas.TwoRings(x, y, w, h, {kHighlightColour, kDarkShadowColour, kLightColour, kShadowColour},
                    kFaceColour);
    DrawLabel(canvas, x + 2, y + 2, w - 4, h - 4, face, label);
}

// The drop-down list's field, its button and arrow, and the selected entry.
void DrawChooser(Canvas& canvas, int x, int y, int w, int h, std::string_view label) {
    constexpr int kDropButtonWidth = 17;
    canvas.TwoRings(x, y, w, h, {kShadowColour, kHighlightColour, kDarkShadowColour, kLightColour},
                    kWhite);
    const int buttonX = x + w - 2 - kDropButtonWidth;
    const int buttonY = y + 2;
    canvas.TwoRings(buttonX, buttonY, kDropButtonWidth, h - 4,
                    {kLightColour, kDarkShadowColour, kHighlightColour, kShadowColour},
                    kFaceColour);
    const int arrowX = buttonX + kDropButtonWidth / 2;
    const int arrowY = buttonY + (h - 4) / 2 - 1;
    for (int row = 0; row < 4; ++row) {
        canvas.Fill(arrowX - 3 + row, arrowY + row, 7 - 2 * row, 1, kBlack);
    }
    const int fieldX = x + 2;
    const int fieldY = y + 2;
    const int fieldH = h - 4;
    PlayerFonts& fonts = canvas.fonts();
    canvas.Clip(fieldX, fieldY, w - 4 - kDropButtonWidth, fieldH);
    canvas.Text(fieldX + 2,
                fieldY + (fieldH + fonts.Height(kGuiFace)) / 2 - fonts.Descent(kGuiFace), kGuiFace,
                label, kBlack);
    canvas.Unclip();
}

// What play shows, as PlayState hands it to the player.
struct ShownState final : PlayView {
    std::string verdict = "?";
    std::string progress;
    std::string code;
    std::string box;
    int picture = -1;

    void ShowVerdict(std::string_view word) override { verdict = word; }
    void ShowProgress(std::string_view text) override { progress = text; }
    void ShowCode(std::string_view text) override { code = text; }
    void ShowPicture(int index) override { picture = index; }
    void SelectChooserEntry(int /*index*/) override {}
    void SetBoxText(std::string_view text) override { box = text; }
    std::string BoxText() override { return box; }
};

// The frame a window manager draws around the client area: a classic
// Windows caption with the quiz title and a close box.
void DrawFrame(Canvas& canvas, std::string_view title) {
    canvas.TwoRings(0, 0, kOuterWidth, kOuterHeight,
                    {kLightColour, kDarkShadowColour, kHighlightColour, kShadowColour},
                    kStatusColour);
    canvas.Fill(kFrameLeft, kFrameLeft, kOuterWidth - 2 * kFrameLeft, kFrameTop - kFrameLeft - 1,
                kCaptionColour);
    const PlayerFace face{true, false, 11, false};
    canvas.Clip(kFrameLeft + 2, kFrameLeft, kOuterWidth - 2 * kFrameLeft - 24, 18);
    canvas.Text(kFrameLeft + 3, kFrameLeft + 14, face, title, kWhite);
    canvas.Unclip();
    const int closeX = kOuterWidth - kFrameLeft - 18;
    canvas.TwoRings(closeX, kFrameLeft + 2, 16, 14,
                    {kHighlightColour, kDarkShadowColour, kLightColour, kShadowColour},
                    kStatusColour);
    for (int i = 0; i < 7; ++i) {
        canvas.Fill(closeX + 4 + i, kFrameLeft + 5 + i, 2, 1, kBlack);
        canvas.Fill(closeX + 10 - i, kFrameLeft + 5 + i, 2, 1, kBlack);
    }
}

void DrawHeader(Canvas& canvas, const QuizRecord& record, const ShownState& shown) {
    const auto utf8 = [](std::string_view cp1252) { return Cp1252ToUtf8(cp1252); };
    const WindowRect panel = kHeaderPanel.PlaceIn(kClientWidth, kClientHeight);
    const WindowRect client = PanelClient(kHeaderPanel);
    canvas.BorderBox(panel.x, panel.y, panel.w, panel.h, kHeaderColour);
    DrawStatic(canvas, BoxOf(WindowText::Link), utf8(record.linkText), kHeaderColour, kLinkColour);
    DrawStatic(canvas, BoxOf(WindowText::ByLabel), "Par :", kHeaderColour, kBlack);
    DrawStatic(canvas, BoxOf(WindowText::Author), utf8(record.author), kHeaderColour, kBlack);
    canvas.Clip(client.x, client.y, client.w, client.h);
    const WindowRect save = PlaceInWindow(kSaveButton);
    DrawButton(canvas, save.x, save.y, save.w, save.h, false, kGuiFace, "Sauver");
    canvas.Unclip();
    DrawStatic(canvas, BoxOf(WindowText::Explanation), utf8(record.explanation), kHeaderColour,
               kBlack);
    DrawStatic(canvas, BoxOf(WindowText::Title), utf8(record.title), kHeaderColour, kBlack);
    DrawStatic(canvas, BoxOf(WindowText::CodeLabel), " Code :", kHeaderColour, kBlack);
    const WindowRect progress = PlaceInWindow(kProgressText);
    DrawStatic(canvas, {progress.x, progress.y, progress.w, progress.h, Faces().progress},
               utf8(shown.progress), kHeaderColour, kBlack, true);

    const TextBox code = BoxOf(WindowText::Code);
    canvas.Fill(code.x, code.y, code.w, code.h, kHeaderColour);
    PlayerFonts& fonts = canvas.fonts();
    canvas.Clip(code.x, code.y, code.w, code.h);
    const int height = fonts.Height(code.face);
    canvas.Text(code.x + kEditMargin,
                code.y + (code.h - height) / 2 + height - fonts.Descent(code.face), code.face,
                utf8(shown.code), kBlack);
    canvas.Unclip();

    canvas.Clip(client.x, client.y, client.w, client.h);
    for (const WindowControl* rule : {&kCodeRule, &kLeftRule, &kRightRule}) {
        const WindowRect line = PlaceInWindow(*rule);
        canvas.Fill(line.x, line.y, line.w, line.h, kBorderColour);
    }
    canvas.Unclip();
}

void DrawPlayPanel(Canvas& canvas, const QuizRecord& record, const ShownState& shown,
                   const std::optional<RgbImage>& picture) {
    const Rgb back = ColourOf(record.backBrush, kFaceColour);
    const WindowRect panel = kPlayPanel.PlaceIn(kClientWidth, kClientHeight);
    const WindowRect client = PanelClient(kPlayPanel);
    canvas.BorderBox(panel.x, panel.y, panel.w, panel.h, back);
    canvas.Clip(client.x, client.y, client.w, client.h);
    // The picture control: centred in its border; what it leaves uncovered
    // takes the colour of its top-left pixel.
    const WindowRect box = PlaceInWindow(kPictureControl);
    canvas.Rect(box.x, box.y, box.w, box.h, kBorderColour);
    const int innerX = box.x + 1;
    const int innerY = box.y + 1;
    const int innerW = box.w - 2;
    const int innerH = box.h - 2;
    if (!picture || picture->pixels.empty()) {
        canvas.Fill(innerX, innerY, innerW, innerH, back);
    } else {
        if (picture->width < innerW || picture->height < innerH) {
            const std::uint8_t* corner = picture->pixels.data();
            canvas.Fill(innerX, innerY, innerW, innerH, {corner[0], corner[1], corner[2]});
        }
        canvas.Clip(innerX, innerY, innerW, innerH);
        canvas.Blit(*picture, innerX + (innerW - picture->width) / 2,
                    innerY + (innerH - picture->height) / 2);
        canvas.Clip(client.x, client.y, client.w, client.h);
    }

    const WindowRect previous = PlaceInWindow(kPreviousButton);
    DrawButton(canvas, previous.x, previous.y, previous.w, previous.h, true, kSystemFace, "<--");
    const WindowRect next = PlaceInWindow(kNextButton);
    DrawButton(canvas, next.x, next.y, next.w, next.h, true, kSystemFace, "-->");

    // The answer box: its text centred inside a 1-pixel margin.
    PlayerFonts& fonts = canvas.fonts();
    const int height = fonts.Height(kSystemFace);
    const int descent = fonts.Descent(kSystemFace);
    const WindowRect answer = PlaceInWindow(kAnswerBox);
    canvas.BorderBox(answer.x, answer.y, answer.w, answer.h, kWhite);
    const std::string typed = Cp1252ToUtf8(shown.box);
    const int areaX = answer.x + 2;
    const int areaW = answer.w - 4;
    const int areaY = answer.y + 1;
    const int areaH = answer.h - 2;
    const int typedWidth = fonts.Width(kSystemFace, typed);
    canvas.Clip(areaX, areaY, areaW, areaH);
    canvas.Text(typedWidth < areaW ? areaX + (areaW - typedWidth) / 2 : areaX,
                areaY + (areaH - height) / 2 + height - descent, kSystemFace, typed, kBlack);
    canvas.Clip(client.x, client.y, client.w, client.h);

    // The verdict field: one line centred both ways.
    const WindowRect field = PlaceInWindow(kVerdictField);
    canvas.BorderBox(field.x, field.y, field.w, field.h,
                     ColourOf(VerdictBrush(record, shown.verdict), kFaceColour));
    const std::string verdict = Cp1252ToUtf8(shown.verdict);
    const int fieldX = field.x + 1;
    const int fieldY = field.y + 1;
    const int fieldW = field.w - 2;
    const int fieldH = field.h - 2;
    canvas.Clip(fieldX, fieldY, fieldW, fieldH);
    canvas.Text(fieldX + (fieldW - fonts.Width(kSystemFace, verdict)) / 2,
                fieldY + (fieldH - height) / 2 + height - descent, kSystemFace, verdict, kBlack);
    canvas.Clip(client.x, client.y, client.w, client.h);

    const WindowRect chooser = PlaceInWindow(kPictureChooser);
    DrawChooser(canvas, chooser.x, chooser.y, chooser.w, kChooserFieldHeight,
                Cp1252ToUtf8(ChooserLabel(shown.picture + 1)));
    canvas.Unclip();
}

}  // namespace

std::string ShownPart(PlayerFonts& fonts, WindowText where, std::string_view utf8) {
    const TextBox box = BoxOf(where);
    if (box.oneLine) {
        return std::string(
            utf8.substr(0, FittingPrefix(fonts, box.face, utf8, box.w - kEditMargin)));
    }
    const int lineHeight = std::max(fonts.Height(box.face), 1);
    const std::size_t whole = static_cast<std::size_t>(box.h / lineHeight);
    const std::vector<Line> lines = LinesOf(fonts, box, utf8);
    if (lines.size() <= whole) {
        return std::string(utf8);
    }
    return whole == 0 ? std::string() : std::string(utf8.substr(0, lines[whole - 1].end));
}

FitCheck PlayerFitCheck(PlayerFonts& fonts) {
    return [&fonts](HeaderField field, std::string_view cp1252) -> ProblemWords {
        static constexpr WindowText kWhere[] = {WindowText::Title, WindowText::Author,
                                                WindowText::Explanation, WindowText::Code,
                                                WindowText::Link};
        const WindowText where = kWhere[static_cast<int>(field)];
        const std::string utf8 = Cp1252ToUtf8(cp1252);
        const std::string shown = ShownPart(fonts, where, utf8);
        if (shown == utf8) {
            return ProblemWords();
        }
        const TextBox box = BoxOf(where);
        return {"\"" + utf8 + "\" does not fit its " + std::to_string(box.w) + " x " +
                    std::to_string(box.h) + " box: the players show " +
                    (shown.empty() ? std::string("nothing") : "\"" + shown + "\"") +
                    " (measured in the Linux player's " + fonts.Describe(box.face) + ")",
                "trop long pour sa place : les joueurs n'en montrent " +
                    (shown.empty() ? std::string("rien") : "que «" + shown + "»")};
    };
}

RgbImage RenderWindow(PlayerFonts& fonts, ResourceProvider& resources, MessageSink& sink,
                      int picture, int found) {
    RgbImage image;
    if (!AllocateRgbImage(image, kOuterWidth, kOuterHeight)) {
        return image;
    }
    ValueGraphics graphics;
    QuizRecord record(graphics);
    LoadQuizRecord(record, resources, sink);
    // The first pictures found: their answers as the progress file brings them back.
    const int count = std::clamp(record.pictureCount, 0, kMaxPictures);
    found = std::clamp(found, 0, count);
    const PictureEntry* entry = record.pictures.first;
    for (int i = 0; i < found && entry != nullptr; ++i, entry = entry->next) {
        std::memcpy(record.typedAnswers[i], entry->answer, sizeof record.typedAnswers[i]);
    }
    ShownState shown;
    PlayState play(record, shown);
    play.StartPlay();
    if (picture > 0 && picture < count) {
        play.ChoosePicture(picture);
    }
    std::optional<RgbImage> shownPicture = LoadPicture(resources, PictureResourceId(shown.picture),
                                                       kPictureBoxWidth, kPictureBoxHeight, sink);

    Canvas canvas(image, fonts);
    DrawFrame(canvas, Cp1252ToUtf8(record.title));
    canvas.SetOrigin(kFrameLeft, kFrameTop);
    canvas.Fill(0, 0, kClientWidth, kClientHeight, kWhite);
    const TextBox status = BoxOf(WindowText::Status);
    DrawStatic(canvas, status, Cp1252ToUtf8(record.statusText), kStatusColour, kBlack, false,
               kWhite);
    DrawHeader(canvas, record, shown);
    DrawPlayPanel(canvas, record, shown, shownPicture);
    return image;
}

}  // namespace brivel::tool
