// x-close: asks a window to close as a window manager's close box does, with a
// WM_DELETE_WINDOW message, so the program runs its own close handling.
// `xdotool windowclose` destroys the window instead, which skips it.
//
//   x-close --pid PID | --name TITLE | WINDOW_ID
//
// Every top-level window of the program whose _NET_WM_PID is PID (or whose
// title is TITLE exactly) gets the message. Exit status: 0 sent, 1 no such
// window or it does not take the message, 2 usage or no display.

// Before Xlib, whose macros (Success, None...) would break it.
#include <CLI/CLI.hpp>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Target {
    long pid = -1;
    std::string name;
    Window window = 0;
};

bool PidOf(Display* display, Window window, long& pid) {
    const Atom property = XInternAtom(display, "_NET_WM_PID", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const bool ok = XGetWindowProperty(display, window, property, 0, 1, False, XA_CARDINAL, &type,
                                       &format, &count, &after, &data) == Success &&
                    type == XA_CARDINAL && format == 32 && count == 1;
    if (ok) {
        // Format 32 properties come back as longs, whatever their width on the wire.
        pid = *reinterpret_cast<long*>(data);
    }
    if (data != nullptr) {
        XFree(data);
    }
    return ok;
}

// The UTF-8 title (_NET_WM_NAME), else the legacy WM_NAME.
std::string TitleOf(Display* display, Window window) {
    const Atom property = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, property, 0, 1024, False, utf8, &type, &format, &count,
                           &after, &data) == Success &&
        type == utf8 && format == 8) {
        title.assign(reinterpret_cast<char*>(data), count);
    }
    if (data != nullptr) {
        XFree(data);
    }
    if (title.empty()) {
        char* legacy = nullptr;
        if (XFetchName(display, window, &legacy) != 0 && legacy != nullptr) {
            title = legacy;
            XFree(legacy);
        }
    }
    return title;
}

bool Matches(Display* display, Window window, const Target& target) {
    if (target.window != 0) {
        return window == target.window;
    }
    if (target.pid >= 0) {
        long pid = -1;
        return PidOf(display, window, pid) && pid == target.pid;
    }
    return TitleOf(display, window) == target.name;
}

// With a window manager the program's windows sit inside its frames, so the
// whole tree is searched.
void Collect(Display* display, Window parent, const Target& target, std::vector<Window>& found) {
    Window root = 0;
    Window up = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, parent, &root, &up, &children, &count) == 0) {
        return;
    }
    for (unsigned int i = 0; i < count; ++i) {
        if (Matches(display, children[i], target)) {
            found.push_back(children[i]);
        } else {
            Collect(display, children[i], target, found);
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
}

bool TakesDeleteWindow(Display* display, Window window, Atom deleteWindow) {
    Atom* protocols = nullptr;
    int count = 0;
    bool takes = false;
    if (XGetWMProtocols(display, window, &protocols, &count) != 0) {
        for (int i = 0; i < count; ++i) {
            takes = takes || protocols[i] == deleteWindow;
        }
        XFree(protocols);
    }
    return takes;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"x-close: send WM_DELETE_WINDOW, as a window manager's close box does"};
    Target target;
    unsigned long windowId = 0;
    auto* pid = app.add_option("--pid", target.pid, "Every window of this process");
    auto* name = app.add_option("--name", target.name, "Every window with this title");
    auto* id = app.add_option("WINDOW_ID", windowId, "One window, by its X id");
    pid->excludes(name, id);
    name->excludes(id);
    app.require_option(1);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? 0 : 2;
    }
    target.window = static_cast<Window>(windowId);

    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "x-close: cannot open display %s\n", XDisplayName(nullptr));
        return 2;
    }
    std::vector<Window> found;
    Collect(display, XDefaultRootWindow(display), target, found);
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    int sent = 0;
    for (Window window : found) {
        if (!TakesDeleteWindow(display, window, deleteWindow)) {
            std::fprintf(stderr, "x-close: window 0x%lx does not take WM_DELETE_WINDOW\n", window);
            continue;
        }
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = protocols;
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(deleteWindow);
        event.xclient.data.l[1] = CurrentTime;
        if (XSendEvent(display, window, False, NoEventMask, &event) != 0) {
            std::printf("x-close: WM_DELETE_WINDOW sent to 0x%lx\n", window);
            ++sent;
        }
    }
    XSync(display, False);
    XCloseDisplay(display);
    if (sent == 0) {
        std::fprintf(stderr, "x-close: no window to close\n");
        return 1;
    }
    return 0;
}
