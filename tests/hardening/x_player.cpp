#include "x_player.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

namespace hardening {

namespace {

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

// A window can vanish between finding it and sending to it: that is a
// player closing, not an error of the run.
int IgnoreXErrors(Display* /*display*/, XErrorEvent* /*error*/) {
    return 0;
}

Display* Dpy(void* display) {
    return static_cast<Display*>(display);
}

}  // namespace

void Fail(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::fputs("FAIL: ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    va_end(args);
    KillPlayer();
    std::exit(1);
}

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

Player::Player(const std::string& program, const std::string& folder) {
    static const bool handlersSet = [] {
        ::signal(SIGTERM, OnTerminate);
        ::signal(SIGINT, OnTerminate);
        return true;
    }();
    (void)handlersSet;
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

Player::~Player() {
    if (pid_ > 0) {
        Kill();
    }
}

bool Player::Ended(int& status) {
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

bool Player::WaitEnd(int ms, int& status) {
    const std::int64_t end = NowMs() + ms;
    while (!Ended(status)) {
        if (NowMs() > end) {
            return false;
        }
        SleepMs(5);
    }
    return true;
}

void Player::Kill() {
    if (pid_ <= 0) {
        return;
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    g_player = 0;
    pid_ = -1;
}

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

XSession::XSession() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        Fail("cannot open the X display %s", std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
    }
    XSetErrorHandler(IgnoreXErrors);
    display_ = display;
    root_ = DefaultRootWindow(display);
    pidAtom_ = XInternAtom(display, "_NET_WM_PID", False);
    protocolsAtom_ = XInternAtom(display, "WM_PROTOCOLS", False);
    deleteAtom_ = XInternAtom(display, "WM_DELETE_WINDOW", False);
}

XSession::~XSession() {
    XCloseDisplay(Dpy(display_));
}

std::vector<TopWindow> XSession::WindowsOf(pid_t pid) {
    std::vector<TopWindow> found;
    Collect(root_, pid, found);
    return found;
}

void XSession::Collect(XWindow parentWindow, pid_t pid, std::vector<TopWindow>& found) {
    Display* d = Dpy(display_);
    Window rootReturn = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(d, parentWindow, &rootReturn, &parent, &children, &count) == 0) {
        return;
    }
    for (unsigned i = 0; i < count; ++i) {
        const Window w = children[i];
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(d, w, &attributes) == 0 || attributes.map_state != IsViewable) {
            continue;
        }
        Atom type = 0;
        int format = 0;
        unsigned long items = 0;
        unsigned long after = 0;
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

void XSession::Click(XWindow window, int x, int y) {
    for (const int type : {ButtonPress, ButtonRelease}) {
        const unsigned state = type == ButtonRelease ? Button1Mask : 0;
        XEvent event{};
        // type, serial, send_event, display, window, root, subwindow, time, x, y, x_root,
        // y_root, state, button, same_screen
        event.xbutton = {type, 0, False, Dpy(display_), window,  root_, 0, ++time_, x,
                         y,    x, y,     state,         Button1, True};
        XSendEvent(Dpy(display_), window, True,
                   type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &event);
    }
}

bool XSession::Close(XWindow window) {
    Display* d = Dpy(display_);
    Atom* protocols = nullptr;
    int count = 0;
    bool takes = false;
    if (XGetWMProtocols(d, window, &protocols, &count) != 0) {
        takes = std::find(protocols, protocols + count, deleteAtom_) != protocols + count;
        XFree(protocols);
    }
    XEvent event{};
    event.xclient = {ClientMessage, 0, False, d, window, protocolsAtom_, 32, {}};
    event.xclient.data.l[0] = static_cast<long>(deleteAtom_);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, window, False, NoEventMask, &event);
    XFlush(d);
    return takes;
}

std::vector<unsigned long> XSession::Grid(XWindow window, int x0, int y0, int w, int h, int step) {
    std::vector<unsigned long> pixels;
    XImage* image = XGetImage(Dpy(display_), window, x0, y0, static_cast<unsigned>(w),
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

void XSession::Flush() {
    XFlush(Dpy(display_));
}

TopWindow WaitWindow(XSession& x, Player& player, int ms, const char* what) {
    const std::int64_t end = NowMs() + ms;
    for (;;) {
        std::vector<TopWindow> windows = x.WindowsOf(player.pid());
        if (!windows.empty()) {
            return windows.front();
        }
        int status = 0;
        if (player.Ended(status)) {
            Fail("%s: the player ended (%s) before showing a window", what,
                 DescribeEnd(status).c_str());
        }
        if (NowMs() > end) {
            Fail("%s: no window after %d ms", what, ms);
        }
        SleepMs(5);
    }
}

void WriteFile(const std::string& path, const std::string& bytes, bool executable) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, executable ? 0755 : 0644);
    if (fd < 0) {
        Fail("cannot write %s: %s", path.c_str(), std::strerror(errno));
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            Fail("cannot write %s: %s", path.c_str(), std::strerror(errno));
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

bool ReadFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return in.is_open() && !in.bad();
}

}  // namespace hardening
