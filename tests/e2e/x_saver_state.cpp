// Test helper: waits up to SECONDS for the X server's own screen saver to come on, and says what it saw.
//   x_saver_state SECONDS     exits 0 once the saver is on, 1 when it is still off (or held off) at the end.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

const char* stateName(int state) {
    switch (state) {
        case ScreenSaverOn: return "on";
        case ScreenSaverOff: return "off";
        case ScreenSaverDisabled: return "disabled (held off by a client)";
        default: return "unknown";
    }
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5;
    Display* x = XOpenDisplay(nullptr);
    int event = 0, error = 0;
    if (x == nullptr || XScreenSaverQueryExtension(x, &event, &error) == False) {
        std::fprintf(stderr, "x_saver_state: no display with the MIT-SCREEN-SAVER extension\n");
        return 2;
    }
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    int state = ScreenSaverOff;
    do {
        XScreenSaverQueryInfo(x, DefaultRootWindow(x), info);
        state = info->state;
        if (state == ScreenSaverOn) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    } while (std::chrono::steady_clock::now() < end);
    std::printf("the X server's screen saver is %s\n", stateName(state));
    XFree(info);
    XCloseDisplay(x);
    return state == ScreenSaverOn ? 0 : 1;
}
