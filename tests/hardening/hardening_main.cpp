// brivel-hardening: damaged quizzes in the Linux player, the damaged Windows
// quizzes for the Wine run, and a window manager's close for the end-to-end
// scripts (xdotool's windowclose destroys the window, which skips the
// program's own close handling).
//
//   brivel-hardening damaged-linux QUIZ WORKDIR
//   brivel-hardening windows-variants QUIZ.EXE FOLDER
//   brivel-hardening close PID      (exit 1: no window, or one that refuses)
//
// The X commands need DISPLAY (run-with-xvfb provides one).

#include <cstdio>
#include <cstdlib>
#include <string>

#include "x_player.h"

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "damaged-linux" && argc == 4) {
        return hardening::DamagedLinuxQuizzes(argv[2], argv[3]);
    }
    if (command == "windows-variants" && argc == 4) {
        return hardening::WriteWindowsVariants(argv[2], argv[3]);
    }
    if (command == "close" && argc == 3) {
        hardening::XSession x;
        int sent = 0;
        for (const hardening::TopWindow& w : x.WindowsOf(std::atoi(argv[2]))) {
            if (!x.Close(w.id)) {
                hardening::Fail("window 0x%lx does not take WM_DELETE_WINDOW", w.id);
            }
            ++sent;
        }
        if (sent == 0) {
            hardening::Fail("no window of process %s to close", argv[2]);
        }
        return 0;
    }
    std::fprintf(stderr,
                 "usage: brivel-hardening damaged-linux QUIZ WORKDIR\n"
                 "       brivel-hardening windows-variants QUIZ.EXE FOLDER\n"
                 "       brivel-hardening close PID\n");
    return 2;
}
