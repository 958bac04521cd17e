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
//
// Damaged quizzes: the Linux quiz cut short and its trailer lying about the
// bundle's size; the Windows quiz damaged inside the data of its quiz texts
// and of its first picture. Random bit flips are the fuzzers' part. A player must show its
// message or play (the quiz, or test mode), and end cleanly when closed.
//
// Only the quiz's own bytes are damaged: the program in front of a Linux
// bundle and the PE headers of a Windows quiz are the system loader's
// business, not the player's.

#include <fcntl.h>
#include <sys/stat.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "maker/pe_resources.h"
#include "quiz/appended_bundle.h"

// After the project's headers, which Xlib's macros (None, Status) would break.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace hardening {
namespace {

// ---------------------------------------------------------------------------
// Starting the Linux player and working it through X11: synthetic events
// (FLTK takes them as real ones), windows found by their _NET_WM_PID, and a
// failure that never leaves a player behind.

// The player running, for Fail and for a TERM from the runner; a plain
// variable, as a signal handler reads it.
volatile pid_t g_player = 0;

void KillPlayer() {
    if (g_player > 0) {
        ::kill(g_player, SIGKILL);
    }
}

void OnTerminate(int signal) {
    KillPlayer();
    ::_exit(128 + signal);
}

// Prints "FAIL: ..." and ends the program with status 1; the player that is
// running, if any, is killed first.
[[noreturn]] void Fail(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::fputs("FAIL: ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    va_end(args);
    KillPlayer();
    std::exit(1);
}

// Milliseconds on a monotonic clock.
std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Polls every 5 ms until done() holds; false when ms pass first.
template <typename Done>
bool PollFor(int ms, Done done) {
    for (const std::int64_t end = NowMs() + ms; !done(); SleepMs(5)) {
        if (NowMs() > end) {
            return false;
        }
    }
    return true;
}

// "exit code N" or "signal N (name)".
std::string DescribeEnd(int status) {
    char text[64];
    if (WIFSIGNALED(status)) {
        std::snprintf(text, sizeof text, "signal %d (%s)", WTERMSIG(status),
                      strsignal(WTERMSIG(status)));
    } else {
        std::snprintf(text, sizeof text, "exit code %d", WEXITSTATUS(status));
    }
    return text;
}

// One player process, started in a folder of its own, its output in
// folder/player.log; one at a time.
class Player {
public:
    Player(const std::string& program, const std::string& folder) {
        const std::string log = folder + "/player.log";
        pid_ = ::fork();
        if (pid_ < 0) {
            Fail("fork: %s", std::strerror(errno));
        }
        if (pid_ == 0) {
            const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            if (fd >= 0) {
                ::dup2(fd, 1);
                ::dup2(fd, 2);
            }
            if (::chdir(folder.c_str()) == 0) {
                ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            }
            ::_exit(127);
        }
        g_player = pid_;
    }
    ~Player() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            g_player = 0;
        }
    }
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    pid_t pid() const { return pid_; }
    // True once the process has ended; status is waitpid's.
    bool Ended(int& status) {
        if (pid_ <= 0) {
            return true;
        }
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            g_player = 0;
            pid_ = -1;
            return true;
        }
        return false;
    }

private:
    pid_t pid_ = -1;
};

struct TopWindow {
    Window id = 0;
    std::string className;  // WM_CLASS class
    std::string title;      // WM_NAME
};

// A window can vanish between finding it and sending to it: that is a
// player closing, not an error of the run.
int IgnoreXErrors(Display* /*display*/, XErrorEvent* /*error*/) {
    return 0;
}

class XSession {
public:
    XSession() : display_(XOpenDisplay(nullptr)) {
        if (display_ == nullptr) {
            Fail("cannot open the X display %s",
                 std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
        }
        XSetErrorHandler(IgnoreXErrors);
        root_ = DefaultRootWindow(display_);
        pidAtom_ = XInternAtom(display_, "_NET_WM_PID", False);
        protocolsAtom_ = XInternAtom(display_, "WM_PROTOCOLS", False);
        deleteAtom_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    }
    ~XSession() { XCloseDisplay(display_); }
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    // The viewable top-level windows of a process, inside a window manager's
    // frames too.
    std::vector<TopWindow> WindowsOf(pid_t pid) {
        std::vector<TopWindow> found;
        Collect(root_, pid, found);
        return found;
    }
    // A left click at window coordinates.
    void Click(Window window, int x, int y) {
        for (const int type : {ButtonPress, ButtonRelease}) {
            const unsigned state = type == ButtonRelease ? Button1Mask : 0;
            XEvent event{};
            // type, serial, send_event, display, window, root, subwindow, time, x, y, x_root,
            // y_root, state, button, same_screen
            event.xbutton = {type, 0, False, display_, window, root_,   0,   ++time_,
                             x,    y, x,     y,        state,  Button1, True};
            XSendEvent(display_, window, True,
                       type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &event);
        }
    }
    // What a window manager sends when the close box is clicked; false when
    // the window does not take it (a window manager would then kill the
    // program, and nothing would be saved).
    bool Close(Window window) {
        Atom* protocols = nullptr;
        int count = 0;
        bool takes = false;
        if (XGetWMProtocols(display_, window, &protocols, &count) != 0) {
            takes = std::find(protocols, protocols + count, deleteAtom_) != protocols + count;
            XFree(protocols);
        }
        XEvent event{};
        event.xclient = {ClientMessage, 0, False, display_, window, protocolsAtom_, 32, {}};
        event.xclient.data.l[0] = static_cast<long>(deleteAtom_);
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display_, window, False, NoEventMask, &event);
        XFlush(display_);
        return takes;
    }
    // Colours of a grid of points (x0 + i * step, y0 + j * step) inside
    // w x h; empty when the window cannot be read (gone, unmapped).
    std::vector<unsigned long> Grid(Window window, int x0, int y0, int w, int h, int step) {
        std::vector<unsigned long> pixels;
        XImage* image = XGetImage(display_, window, x0, y0, static_cast<unsigned>(w),
                                  static_cast<unsigned>(h), AllPlanes, ZPixmap);
        if (image == nullptr) {
            return pixels;
        }
        for (int y = 0; y < h; y += step) {
            for (int x = 0; x < w; x += step) {
                pixels.push_back(XGetPixel(image, x, y));
            }
        }
        XDestroyImage(image);
        return pixels;
    }
    void Flush() { XFlush(display_); }

private:
    void Collect(Window parentWindow, pid_t pid, std::vector<TopWindow>& found) {
        Display* d = display_;
        Window rootReturn = 0, parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (XQueryTree(d, parentWindow, &rootReturn, &parent, &children, &count) == 0) {
            return;
        }
        for (unsigned i = 0; i < count; ++i) {
            const Window w = children[i];
            XWindowAttributes attributes{};
            if (XGetWindowAttributes(d, w, &attributes) == 0 ||
                attributes.map_state != IsViewable) {
                continue;
            }
            Atom type = 0;
            int format = 0;
            unsigned long items = 0, after = 0;
            unsigned char* value = nullptr;
            bool mine = false;
            if (XGetWindowProperty(d, w, pidAtom_, 0, 1, False, XA_CARDINAL, &type, &format, &items,
                                   &after, &value) == Success &&
                value != nullptr) {
                mine = format == 32 && items == 1 &&
                       static_cast<pid_t>(*reinterpret_cast<unsigned long*>(value)) == pid;
                XFree(value);
            }
            if (!mine) {
                Collect(w, pid, found);  // a window manager's frame holds it
                continue;
            }
            TopWindow top;
            top.id = w;
            // FLTK names the class before it maps a window: a window without one
            // is being destroyed between the calls above and this one.
            XClassHint hint{};
            if (XGetClassHint(d, w, &hint) == 0) {
                continue;
            }
            top.className = hint.res_class != nullptr ? hint.res_class : "";
            XFree(hint.res_name);
            XFree(hint.res_class);
            char* name = nullptr;
            if (XFetchName(d, w, &name) != 0 && name != nullptr) {
                top.title = name;
                XFree(name);
            }
            found.push_back(top);
        }
        if (children != nullptr) {
            XFree(children);
        }
    }

    Display* display_;
    Window root_ = 0;
    Atom pidAtom_ = 0;
    Atom protocolsAtom_ = 0;
    Atom deleteAtom_ = 0;
    Time time_ = 1000;
};

// The main window's class.
constexpr char kMainClass[] = "WindowsApp";

// Places in the main window (its client area), from the layout in src/fltk.
constexpr int kNextX = 622, kNextY = 552;
constexpr int kPictureX = 12, kPictureY = 57, kPictureW = 636, kPictureH = 476;

// Waits up to ms for a viewable window of the player; fails if the player
// ends first. Message boxes count as windows.
TopWindow WaitWindow(XSession& x, Player& player, int ms, const char* what) {
    std::vector<TopWindow> windows;
    const auto shown = [&] {
        windows = x.WindowsOf(player.pid());
        int status = 0;
        if (windows.empty() && player.Ended(status)) {
            Fail("%s: the player ended (%s) before showing a window", what,
                 DescribeEnd(status).c_str());
        }
        return !windows.empty();
    };
    if (!PollFor(ms, shown)) {
        Fail("%s: no window after %d ms", what, ms);
    }
    return windows.front();
}

// Writes an executable file whole, or fails.
void WriteProgram(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out || ::chmod(path.c_str(), 0755) != 0) {
        Fail("cannot write %s: %s", path.c_str(), std::strerror(errno));
    }
}

// The file's bytes; false when it cannot be read.
bool ReadFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return in.is_open() && !in.bad();
}

// ---------------------------------------------------------------------------
// Damaged quizzes

namespace fs = std::filesystem;
using brivel::kBundleMagic;
using brivel::kBundleTrailerSize;

// A damaged copy of the quiz: its first `keep` bytes, then `tail`. Only the
// tails are held, not a copy of the program each.
struct Variant {
    std::string name;
    std::size_t keep = 0;
    std::string tail;
};

// The bundle's size, little-endian, then the magic.
std::string Trailer(std::uint64_t size) {
    std::string bytes(8, '\0');
    for (std::size_t i = 0; i < 8; ++i) {
        bytes[i] = static_cast<char>(size >> (8 * i) & 0xFF);
    }
    return bytes + kBundleMagic;
}

std::vector<Variant> LinuxVariants(const std::string& quiz) {
    std::vector<Variant> variants;
    const std::size_t size = quiz.size();
    std::size_t bundleAt = 0, bundleSize = 0;
    if (brivel::LocateBundle(reinterpret_cast<const std::uint8_t*>(quiz.data()), size, bundleAt,
                             bundleSize) != brivel::BundleStatus::Ok) {
        Fail("the quiz has no bundle trailer");
    }
    const std::string bundle = quiz.substr(bundleAt, bundleSize);
    const auto add = [&variants](std::string name, std::size_t keep, std::string tail) {
        variants.push_back({std::move(name), keep, std::move(tail)});
    };

    add("intact", size, {});
    // Cut short: the trailer goes, all of it or only its end.
    using Sizes = std::initializer_list<std::size_t>;
    for (std::size_t cut :
         Sizes{1, 8, 15, 16, 17, 16 + bundleSize / 2, 16 + bundleSize - 33, 16 + bundleSize}) {
        add("cut-" + std::to_string(cut) + "-from-end", size - cut, {});
    }
    // The bundle cut, the trailer kept: it claims more than is left.
    for (std::size_t keep : Sizes{0, 32, 100, bundleSize / 2, bundleSize - 1}) {
        add("bundle-cut-to-" + std::to_string(keep) + "-old-trailer", bundleAt,
            bundle.substr(0, keep) + Trailer(bundleSize));
    }
    // The bundle cut and the trailer telling its new size.
    for (std::size_t keep : Sizes{16, 40, 200, bundleSize / 3, bundleSize - 4}) {
        add("bundle-cut-to-" + std::to_string(keep), bundleAt,
            bundle.substr(0, keep) + Trailer(keep));
    }
    // The trailer's size lies; the last three wrap around when added to the
    // trailer's size or to the bytes before the trailer.
    const std::uint64_t before = size - kBundleTrailerSize;
    constexpr std::uint64_t kAll = ~std::uint64_t{0};
    for (std::uint64_t lie : std::initializer_list<std::uint64_t>{
             0, 1, 31, 32, bundleSize - 1, bundleSize + 1, bundleSize + 4, before, before + 1,
             bundleSize + (std::uint64_t{1} << 32), std::uint64_t{1} << 63, kAll, kAll - 15,
             kAll - before + 1}) {
        add("size-" + std::to_string(lie), bundleAt, bundle + Trailer(lie));
    }
    std::string magic = Trailer(bundleSize);
    magic.back() ^= 1;
    add("magic-flipped", size - kBundleTrailerSize, magic);

    return variants;
}

// Answers every message box of the player, each noted in seen by its caption;
// true if there was one.
bool AnswerMessages(XSession& x, Player& player, std::string& seen) {
    bool answered = false;
    for (const TopWindow& w : x.WindowsOf(player.pid())) {
        if (w.className == kMainClass) {
            continue;
        }
        if (w.title != "Brivel" && w.title != "information" && w.title != "APPNAME") {
            Fail("unexpected window \"%s\" of class %s", w.title.c_str(), w.className.c_str());
        }
        seen += "message \"" + w.title + "\", ";
        x.Close(w.id);
        answered = true;
        const auto gone = [&] {
            const auto now = x.WindowsOf(player.pid());
            return std::none_of(now.begin(), now.end(),
                                [&w](const TopWindow& t) { return t.id == w.id; });
        };
        if (!PollFor(3000, gone)) {
            Fail("the message box \"%s\" stays after being closed", w.title.c_str());
        }
    }
    return answered;
}

// Plays one quiz file: message boxes answered, every picture visited, closed.
// Says what it saw: the messages, then the main window's title.
std::string Play(XSession& x, const std::string& program, const std::string& folder,
                 const std::string& name, bool checkPictures) {
    std::string seen;
    Player player(program, folder);
    TopWindow main;
    for (int boxes = 0;; ++boxes) {
        const TopWindow w = WaitWindow(x, player, 10000, name.c_str());
        if (w.className == kMainClass) {
            main = w;
            break;
        }
        if (boxes > 4) {
            Fail("%s: message box after message box", name.c_str());
        }
        AnswerMessages(x, player, seen);
    }
    // One more move than the sample has pictures: every picture is decoded.
    std::vector<unsigned long> before =
        x.Grid(main.id, kPictureX, kPictureY, kPictureW, kPictureH, 40);
    for (int k = 0; k < 22; ++k) {
        x.Click(main.id, kNextX, kNextY);
        x.Flush();
        if (!checkPictures) {
            continue;
        }
        // Sample pictures differ from one another: the move must show.
        std::vector<unsigned long> now;
        const auto moved = [&] {
            now = x.Grid(main.id, kPictureX, kPictureY, kPictureW, kPictureH, 40);
            return now != before;
        };
        if (!PollFor(3000, moved)) {
            Fail("%s: move %d did not change the picture", name.c_str(), k + 1);
        }
        before = now;
    }
    // The player takes the close after every move, as events from one client
    // come in order: a clean end means every picture was decoded without harm.
    // A message box on the way (modal) may swallow moves; it is answered and
    // the close sent again.
    int status = 0;
    x.Close(main.id);
    const auto ended = [&] {
        if (AnswerMessages(x, player, seen)) {
            x.Close(main.id);
        }
        return player.Ended(status);
    };
    if (!PollFor(10000, ended)) {
        Fail("%s: the player did not end after being closed", name.c_str());
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        Fail("%s: the player ended with %s", name.c_str(), DescribeEnd(status).c_str());
    }
    return seen + "window \"" + main.title + "\"";
}

int DamagedLinuxQuizzes(const std::string& quizPath, const std::string& work) {
    std::string quiz;
    if (!ReadFile(quizPath, quiz)) {
        Fail("cannot read %s", quizPath.c_str());
    }
    const std::string folder = work + "/damaged";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::vector<Variant> variants = LinuxVariants(quiz);
    XSession x;
    std::map<std::string, int> outcomes;
    const std::int64_t started = NowMs();
    for (const Variant& v : variants) {
        // A fresh file each time: the last one may still be mapped.
        const std::string program = folder + "/quiz";
        WriteProgram(program + ".new", quiz.substr(0, v.keep) + v.tail);
        fs::rename(program + ".new", program);
        fs::remove(folder + "/quiz.txt");
        const std::string summary = Play(x, program, folder, v.name, v.name == "intact");
        if (v.name == "intact" && summary.find("message") != std::string::npos) {
            Fail("the intact quiz shows a message");
        }
        if ((v.name == "magic-flipped" || v.name == "cut-16-from-end") &&
            summary != "window \"Nom du brivel\"") {
            Fail("%s: a quiz without its trailer does not run in test mode (%s)", v.name.c_str(),
                 summary.c_str());
        }
        std::printf("  %-40s %s\n", v.name.c_str(), summary.c_str());
        ++outcomes[summary];
    }
    std::printf("damaged Linux quizzes: %zu variants in %lld ms, none crashed; outcomes:\n",
                variants.size(), static_cast<long long>(NowMs() - started));
    for (const auto& [summary, n] : outcomes) {
        std::printf("  %3d x %s\n", n, summary.c_str());
    }
    return 0;
}

int WriteWindowsVariants(const std::string& exePath, const std::string& folder) {
    std::string exe;
    if (!ReadFile(exePath, exe)) {
        Fail("cannot read %s", exePath.c_str());
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(exe.data());
    const brivel::PeTreeResult tree = brivel::ReadPeResourceTree(bytes, exe.size());
    if (tree.status != brivel::PeStatus::Ok) {
        Fail("%s: %s", exePath.c_str(), brivel::PeStatusName(tree.status));
    }
    // The data's place in the file: found by its bytes, which must occur once.
    const auto locate = [&](const char* typeName, std::uint32_t id) {
        const std::u16string type(typeName, typeName + std::char_traits<char>::length(typeName));
        for (const brivel::PeResource& r : tree.resources) {
            if (!r.type.named || r.type.name != type || r.name.named || r.name.id != id) {
                continue;
            }
            const std::string data(r.data.begin(), r.data.end());
            const std::size_t at = exe.find(data);
            if (at == std::string::npos || exe.find(data, at + 1) != std::string::npos) {
                Fail("%s %u: its data is not found exactly once in the file", typeName, id);
            }
            return std::pair<std::size_t, std::size_t>(at, data.size());
        }
        Fail("%s has no %s %u", exePath.c_str(), typeName, id);
    };
    const std::pair<std::string, std::pair<std::size_t, std::size_t>> targets[] = {
        {"patch104", locate("PATCH", 104)},
        {"patch105", locate("PATCH", 105)},
        {"img401", locate("IMG", 401)},
    };
    fs::create_directories(folder);
    int written = 0;
    // Writes the quiz as damage leaves it.
    const auto write = [&](const std::string& name, const auto& damage) {
        std::string damaged = exe;
        damage(damaged);
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "%02d-", ++written);
        WriteProgram(folder + "/" + prefix + name + ".exe", damaged);
    };
    write("intact", [](std::string&) {});
    for (const auto& [label, place] : targets) {
        const auto [at, length] = place;
        write(label + "-zeroed",
              [&](std::string& q) { std::fill_n(q.begin() + at, length, '\0'); });
        write(label + "-second-half-ff", [&](std::string& q) {
            std::fill_n(q.begin() + at + length / 2, length - length / 2, '\xFF');
        });
        // Three bits of the first eight bytes: the headers the readers look at first.
        write(label + "-head-flip", [&](std::string& q) {
            for (const std::size_t i : {std::size_t{0}, std::size_t{3}, std::size_t{7}}) {
                q[at + std::min(i, length - 1)] ^= static_cast<char>(0x80 >> i);
            }
        });
    }
    // The picture's JPEG markers: an early end, and a frame far too large or empty.
    const auto [imgAt, imgLength] = targets[2].second;
    write("img401-early-eoi",
          [&](std::string& q) { q.replace(imgAt + imgLength / 3, 2, "\xFF\xD9"); });
    const std::size_t frame = exe.find("\xFF\xC0", imgAt);
    if (frame == std::string::npos || frame > imgAt + imgLength) {
        Fail("IMG 401 has no baseline frame marker");
    }
    write("img401-frame-huge", [&](std::string& q) { q.replace(frame + 5, 4, 4, '\xFF'); });
    write("img401-frame-empty", [&](std::string& q) { q.replace(frame + 5, 4, 4, '\0'); });
    std::printf(
        "wrote %d Windows quiz variants to %s (PATCH 104 at %zu, 105 at %zu, IMG 401 at "
        "%zu)\n",
        written, folder.c_str(), targets[0].second.first, targets[1].second.first, imgAt);
    return 0;
}

// What a window manager does when the close box is clicked, on every window
// of the process.
int CloseWindowsOf(const char* pid) {
    XSession x;
    int sent = 0;
    for (const TopWindow& w : x.WindowsOf(std::atoi(pid))) {
        if (!x.Close(w.id)) {
            Fail("window 0x%lx does not take WM_DELETE_WINDOW", w.id);
        }
        ++sent;
    }
    if (sent == 0) {
        Fail("no window of process %s to close", pid);
    }
    return 0;
}

}  // namespace
}  // namespace hardening

int main(int argc, char** argv) {
    ::signal(SIGTERM, hardening::OnTerminate);
    ::signal(SIGINT, hardening::OnTerminate);
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "damaged-linux" && argc == 4) {
        return hardening::DamagedLinuxQuizzes(argv[2], argv[3]);
    }
    if (command == "windows-variants" && argc == 4) {
        return hardening::WriteWindowsVariants(argv[2], argv[3]);
    }
    if (command == "close" && argc == 3) {
        return hardening::CloseWindowsOf(argv[2]);
    }
    std::fprintf(stderr,
                 "usage: brivel-hardening damaged-linux QUIZ WORKDIR\n"
                 "       brivel-hardening windows-variants QUIZ.EXE FOLDER\n"
                 "       brivel-hardening close PID\n");
    return 2;
}
