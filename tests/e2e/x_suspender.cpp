// Test helper: suspends the X server's screen saver as a video player does (XScreenSaverSuspend) and holds
// it suspended until killed; says "suspending" once it has.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>
#include <unistd.h>

#include <cstdio>

int main() {
    Display* x = XOpenDisplay(nullptr);
    if (x == nullptr) {
        std::fprintf(stderr, "x_suspender: no display\n");
        return 2;
    }
    XScreenSaverSuspend(x, True);
    XSync(x, False);
    std::printf("suspending\n");
    std::fflush(stdout);
    for (;;) pause();
}
