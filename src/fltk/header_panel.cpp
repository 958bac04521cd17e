#include "fltk/header_panel.h"

#include <FL/Fl.H>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "app/play_session.h"
#include "fltk/player.h"
#include "play/play_state.h"
#include "quiz/quiz_loader.h"
#include "quiz/quiz_record.h"
#include "text/cp1252.h"

namespace {

const brivel::FltkFont kLinkFont =
    brivel::FontFor(brivel::LinkFontSpec(brivel::kLinkText.h.pixels));

// xdg-open runs without a shell, so the address is never read as a command.
// The middle process ends at once and is reaped here; xdg-open, orphaned,
// is reaped by init, so no zombie is left behind.
void OpenAddress(const char* address) {
    const pid_t child = fork();
    if (child == 0) {
        if (fork() == 0) {
            char* const argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(address),
                                  nullptr};
            execvp(argv[0], argv);
            _exit(127);
        }
        _exit(0);
    }
    if (child > 0) {
        waitpid(child, nullptr, 0);
    }
}

class LinkText final : public StaticText {
public:
    LinkText(int x, int y, int w, int h, std::string utf8, std::string address)
        : StaticText(x, y, w, h, std::move(utf8), kLinkFont, kHeaderColour),
          address_(std::move(address)) {
        SetTextColour(kLinkColour);
    }

protected:
    // A single click opens the page; the second click of a double click does
    // not, nor a click where a quiz without a link shows none.
    int handle(int event) override {
        if (event == FL_PUSH && Fl::event_button() == FL_LEFT_MOUSE && Fl::event_clicks() == 0 &&
            !address_.empty()) {
            OpenAddress(address_.c_str());
            return 1;
        }
        return StaticText::handle(event);
    }

private:
    std::string address_;
};

}  // namespace

HeaderPanel::HeaderPanel(int x, int y, int w, int h, const brivel::QuizRecord& record,
                         Fl_Callback* onSave, void* saveData)
    : Panel(x, y, w, h, kHeaderColour) {
    // Positions are the Windows player's, in the panel's client area.
    const int left = x + Fl::box_dx(box());
    const int top = y + Fl::box_dy(box());
    const int width = w - Fl::box_dw(box());
    const int height = h - Fl::box_dh(box());
    const auto place = [&](const brivel::WindowControl& control) {
        const brivel::WindowRect at = control.PlaceIn(width, height);
        return brivel::WindowRect{left + at.x, top + at.y, at.w, at.h};
    };
    // Each text as the table gives it, in the Windows player's font for it.
    const auto textOf = [&](const brivel::WindowControl& control) {
        return brivel::Cp1252ToUtf8(brivel::InitialText(control, record));
    };
    const auto addText = [&](const brivel::WindowControl& control) {
        const brivel::WindowRect at = place(control);
        const brivel::FltkFont& font = control.font == brivel::ControlFont::Title
                                           ? brivel::FontOf(record.titleFont, kGuiFont)
                                       : control.font == brivel::ControlFont::Progress
                                           ? brivel::FontOf(record.progressFont, kGuiFont)
                                           : kGuiFont;
        return new StaticText(at.x, at.y, at.w, at.h, textOf(control), font, kHeaderColour);
    };
    const auto addRule = [&](const brivel::WindowControl& control) {
        const brivel::WindowRect at = place(control);
        new StaticText(at.x, at.y, at.w, at.h, std::string(), kGuiFont, kBorderColour);
    };

    const brivel::WindowRect link = place(brivel::kLinkText);
    new LinkText(link.x, link.y, link.w, link.h, textOf(brivel::kLinkText), record.linkAddress);
    addText(brivel::kByLabel);
    addText(brivel::kAuthorText);
    const brivel::WindowRect saveAt = place(brivel::kSaveButton);
    auto* save = new WinButton(saveAt.x, saveAt.y, saveAt.w, saveAt.h, textOf(brivel::kSaveButton),
                               false, kGuiFont);
    save->callback(onSave, saveData);
    addText(brivel::kExplanationText);
    addText(brivel::kTitleText);
    addText(brivel::kCodeLabel);
    progress_ = addText(brivel::kProgressText);
    progress_->SetCentred();
    const brivel::WindowRect code = place(brivel::kCodeText);
    code_ = new Fl_Output(code.x, code.y, code.w, code.h);
    code_->box(FL_FLAT_BOX);
    code_->color(kHeaderColour);
    code_->textfont(kGuiFont.face);
    code_->textsize(kGuiFont.size);
    addRule(brivel::kCodeRule);
    addRule(brivel::kLeftRule);
    addRule(brivel::kRightRule);
    end();
}

void HeaderPanel::ShowProgress(std::string_view text) {
    progress_->SetText(brivel::Cp1252ToUtf8(text));
}

void HeaderPanel::ShowCode(std::string_view text) {
    code_->value(brivel::Cp1252ToUtf8(text).c_str());
}
