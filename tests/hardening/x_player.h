#pragma once

// Starting the Linux player and working it through X11, for the hardening
// runs and for the end-to-end scripts' window close: synthetic events (FLTK
// takes them as real ones), windows found by their _NET_WM_PID, and a failure
// that never leaves a player behind.

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

// Xlib's own types, without its macros leaking into every includer.
using XWindow = unsigned long;

namespace hardening {

// Prints "FAIL: ..." and ends the program with status 1; the player that is
// running, if any, is killed first.
[[noreturn]] void Fail(const char* format, ...);

// Milliseconds on a monotonic clock.
std::int64_t NowMs();
void SleepMs(int ms);

// One player process, started in a folder of its own, its output in a log;
// one at a time.
class Player {
public:
    // The log goes to folder/player.log.
    Player(const std::string& program, const std::string& folder);
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    pid_t pid() const { return pid_; }
    // True once the process has ended; status is waitpid's.
    bool Ended(int& status);
    // Waits up to ms for the end.
    bool WaitEnd(int ms, int& status);
    // SIGKILL, then reaps the process.
    void Kill();

private:
    pid_t pid_ = -1;
};

// "exit code N" or "signal N (name)".
std::string DescribeEnd(int status);

struct TopWindow {
    XWindow id = 0;
    std::string className;  // WM_CLASS class
    std::string title;      // WM_NAME
};

class XSession {
public:
    XSession();
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    // The viewable top-level windows of a process, inside a window manager's
    // frames too.
    std::vector<TopWindow> WindowsOf(pid_t pid);
    // A left click at window coordinates.
    void Click(XWindow window, int x, int y);
    // What a window manager sends when the close box is clicked; false when
    // the window does not take it (a window manager would then kill the
    // program, and nothing would be saved).
    bool Close(XWindow window);
    // Colours of a grid of points (x0 + i * step, y0 + j * step) inside
    // w x h; empty when the window cannot be read (gone, unmapped).
    std::vector<unsigned long> Grid(XWindow window, int x0, int y0, int w, int h, int step);
    void Flush();

private:
    void Collect(XWindow parent, pid_t pid, std::vector<TopWindow>& found);

    void* display_ = nullptr;
    XWindow root_ = 0;
    unsigned long pidAtom_ = 0;
    unsigned long protocolsAtom_ = 0;
    unsigned long deleteAtom_ = 0;
    unsigned long time_ = 1000;
};

// The main window's class and the classes of FLTK's message boxes.
inline constexpr char kMainClass[] = "WindowsApp";

// Places in the main window (its client area), from the layout in src/fltk.
inline constexpr int kNextX = 622, kNextY = 552;
inline constexpr int kPictureX = 12, kPictureY = 57, kPictureW = 636, kPictureH = 476;

// Waits up to ms for a viewable window of the player; fails if the player
// ends first. Message boxes count as windows.
TopWindow WaitWindow(XSession& x, Player& player, int ms, const char* what);

// The commands of brivel-hardening besides close (hardening_main.cpp).
int DamagedLinuxQuizzes(const std::string& quiz, const std::string& work);
int WriteWindowsVariants(const std::string& exe, const std::string& folder);

// Writes bytes to path whole, or fails.
void WriteFile(const std::string& path, const std::string& bytes, bool executable = false);
// The file's bytes; false when it cannot be read.
bool ReadFile(const std::string& path, std::string& bytes);

}  // namespace hardening
