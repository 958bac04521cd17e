// Start-up and move timings, printed to standard error when the environment
// has BRIVEL_TRACE_STARTUP=1; nothing otherwise.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "fltk/player.h"

namespace {

using Clock = std::chrono::steady_clock;

bool Enabled() {
    static const bool enabled = [] {
        const char* value = std::getenv("BRIVEL_TRACE_STARTUP");
        return value != nullptr && std::strcmp(value, "1") == 0;
    }();
    return enabled;
}

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Static initialisation: after the loader, before main.
const Clock::time_point g_processStart = Clock::now();
bool g_firstShown = false;
bool g_moving = false;
Clock::time_point g_moveStart;
double g_loadMilliseconds = 0;

}  // namespace

void TraceFirstPicture() {
    if (!Enabled() || g_firstShown) {
        return;
    }
    g_firstShown = true;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::fprintf(stderr, "brivel-player: first picture drawn %.1f ms after start (at %lld.%09ld)\n",
                 MillisecondsSince(g_processStart), static_cast<long long>(now.tv_sec),
                 now.tv_nsec);
}

void TraceMoveStart() {
    if (!Enabled()) {
        return;
    }
    g_moving = true;
    g_moveStart = Clock::now();
}

void TracePictureLoaded() {
    if (g_moving) {
        g_loadMilliseconds = MillisecondsSince(g_moveStart);
    }
}

void TracePictureShown() {
    if (!g_moving) {
        return;
    }
    g_moving = false;
    std::fprintf(stderr,
                 "brivel-player: move: picture decoded and fitted in %.2f ms, drawn %.2f ms after "
                 "the click\n",
                 g_loadMilliseconds, MillisecondsSince(g_moveStart));
}
