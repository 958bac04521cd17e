#include "fltk/main_window.h"

#include <FL/Fl.H>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/play_session.h"
#include "fltk/header_panel.h"
#include "fltk/play_panel.h"
#include "fltk/player.h"
#include "quiz/quiz_record.h"
#include "text/cp1252.h"

MainWindow::MainWindow(brivel::QuizRecord& record, brivel::ResourceProvider& resources,
                       brivel::MessageSink& sink)
    : Fl_Double_Window(kClientWidth, kClientHeight), record_(record) {
    copy_label(brivel::Cp1252ToUtf8(record.title).c_str());
    // The Windows player's class name: a stable handle for finding the window.
    xclass("WindowsApp");
    color(kWindowColour);

    const int w = kClientWidth;
    const int h = kClientHeight;
    const brivel::WindowRect line = brivel::kStatusLine.PlaceIn(w, h);
    auto* status =
        new StaticText(line.x, line.y, line.w, line.h,
                       brivel::Cp1252ToUtf8(brivel::InitialText(brivel::kStatusLine, record)),
                       kGuiFont, kStatusColour);
    // GDI's default opaque text background, white, behind the words.
    status->SetCellColour(FL_WHITE);
    const brivel::WindowRect top = brivel::kHeaderPanel.PlaceIn(w, h);
    auto* header = new HeaderPanel(top.x, top.y, top.w, top.h, record, OnSaveClicked, this);
    // The play panel grades as it starts and writes into the header.
    record.headerPanel = header;
    const brivel::WindowRect bottom = brivel::kPlayPanel.PlaceIn(w, h);
    play_ = new PlayPanel(bottom.x, bottom.y, bottom.w, bottom.h, record, resources, sink);
    end();

    callback(OnClose, this);
    // Not resizable: the smallest and largest sizes are the same.
    size_range(w, h, w, h);
    // Centred as the Windows player centres its outer 670 x 640.
    int screenX = 0;
    int screenY = 0;
    int screenW = 0;
    int screenH = 0;
    Fl::screen_xywh(screenX, screenY, screenW, screenH, 0);
    position(screenX + (screenW - kOuterWidth) / 2, screenY + (screenH - kOuterHeight) / 2);
}

MainWindow::~MainWindow() {
    record_.headerPanel = nullptr;
}

// Windows opens the window with no control focused: the player clicks the
// answer box before typing, and the keyboard moves between no controls
// until then. FLTK would focus the first button when the window gets the
// focus, and move on with Tab and the arrows.
int MainWindow::handle(int event) {
    switch (event) {
        case FL_PUSH:
            clicked_ = true;
            break;
        case FL_FOCUS:
            if (!clicked_) {
                return 1;
            }
            break;
        case FL_KEYBOARD:
            if (Fl::focus() == this) {
                return 0;
            }
            break;
        default:
            break;
    }
    return Fl_Double_Window::handle(event);
}

void MainWindow::Start() {
    play_->Start();
}

void MainWindow::OnClose(Fl_Widget* window, void* data) {
    // FLTK closes a window on Escape; the Windows player does nothing then.
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) {
        return;
    }
    static_cast<MainWindow*>(data)->play_->Save();
    window->hide();
}

void MainWindow::OnSaveClicked(Fl_Widget* /*button*/, void* data) {
    static_cast<MainWindow*>(data)->play_->Save();
}

brivel::ProgressPlaces PlayerProgressPlaces() {
    // Beside the program, never in the working folder: started from a terminal
    // elsewhere, the player must not take another file of that name for its own.
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return brivel::ProgressPlacesOf(error ? std::string() : program.string(),
                                    std::getenv("XDG_STATE_HOME"), std::getenv("HOME"));
}
