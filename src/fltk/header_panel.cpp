#include "fltk/header_panel.h"

#include <FL/Fl.H>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "fltk/player.h"
#include "play/play_state.h"
#include "quiz/quiz_loader.h"
#include "quiz/quiz_record.h"
#include "text/cp1252.h"

namespace {

constexpr int kLinkHeight = 18;
// The link font of SetUpLink: three quarters of the link's height, underlined.
const brivel::FltkFont kLinkFont = brivel::FontFor({-(3 * kLinkHeight / 4), 400, false, true});

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
    LinkText(int x, int y, int w, int h, std::string utf8)
        : StaticText(x, y, w, h, std::move(utf8), kLinkFont, kHeaderColour) {
        SetTextColour(kLinkColour);
    }

protected:
    // A single click opens the page; the second click of a double click does not.
    int handle(int event) override {
        if (event == FL_PUSH && Fl::event_button() == FL_LEFT_MOUSE && Fl::event_clicks() == 0) {
            OpenAddress(brivel::kMakerWebAddress);
            return 1;
        }
        return StaticText::handle(event);
    }
};

StaticText* AddText(int x, int y, int w, int h, std::string_view cp1252,
                    const brivel::FltkFont& font) {
    return new StaticText(x, y, w, h, brivel::Cp1252ToUtf8(cp1252), font, kHeaderColour);
}

void AddRule(int x, int y, int w, int h) {
    new StaticText(x, y, w, h, std::string(), kGuiFont, kBorderColour);
}

}  // namespace

HeaderPanel::HeaderPanel(int x, int y, int w, int h, const brivel::QuizRecord& record,
                         Fl_Callback* onSave, void* saveData)
    : Panel(x, y, w, h, kHeaderColour) {
    // Positions are the Windows player's, in the panel's client area.
    const int left = x + Fl::box_dx(box());
    const int top = y + Fl::box_dy(box());
    const int width = w - Fl::box_dw(box());

    new LinkText(left + width - 134, top, 115, kLinkHeight, brivel::Cp1252ToUtf8(record.linkText));
    AddText(left + width - 134, top + 25, 26, 18, "Par :", kGuiFont);
    AddText(left + width - 107, top + 25, 105, 18, record.author, kGuiFont);
    auto* save = new WinButton(left + width - 204, top + 25, 55, 18, "Sauver", false, kGuiFont);
    save->callback(onSave, saveData);
    AddText(left + 110, top + 19, width - 324, 28, record.explanation, kGuiFont);
    AddText(left + 110, top + 3, 260, 18, record.title, brivel::FontOf(record.titleFont, kGuiFont));
    AddText(left + 7, top + 29, 36, 15, " Code :", kGuiFont);
    progress_ = AddText(left + 10, top + 1, 80, 20, brivel::ProgressText(0, record.pictureCount),
                        brivel::FontOf(record.progressFont, kGuiFont));
    progress_->SetCentred();
    code_ = new Fl_Output(left + 44, top + 29, 53, 16);
    code_->box(FL_FLAT_BOX);
    code_->color(kHeaderColour);
    code_->textfont(kGuiFont.face);
    code_->textsize(kGuiFont.size);
    AddRule(left, top + 26, 100, 1);
    AddRule(left + 100, top, 1, 50);
    AddRule(left + width - 145, top, 1, 50);
    end();
}

void HeaderPanel::ShowProgress(std::string_view text) {
    progress_->SetText(brivel::Cp1252ToUtf8(text));
}

void HeaderPanel::ShowCode(std::string_view text) {
    code_->value(brivel::Cp1252ToUtf8(text).c_str());
}
