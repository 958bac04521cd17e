// The Linux player: the quiz appended to this executable, played in an FLTK
// window that looks and behaves as the Windows player's.

#include <FL/Fl.H>

#include <exception>
#include <memory>

#include "fltk/fltk_services.h"
#include "fltk/main_window.h"
#include "fltk/widgets.h"
#include "quiz/quiz_loader.h"
#include "quiz/quiz_record.h"

namespace {

int Run() {
    InstallWindowsLook();
    // The record's fonts and brushes are made and released through graphics,
    // which therefore outlives it.
    brivel::FltkGraphics graphics;
    brivel::DialogSink sink;
    const std::unique_ptr<brivel::ResourceProvider> resources = brivel::OwnResources();
    const auto record = std::make_unique<brivel::QuizRecord>(graphics);
    brivel::LoadQuizRecord(*record, *resources, sink);

    MainWindow window(*record, *resources, sink);
    window.Start();
    window.show();
    return Fl::run();
}

}  // namespace

int main() {
    try {
        return Run();
    } catch (const std::exception&) {
        // Out of memory in the middle of play: end without a crash report.
        return 1;
    }
}
