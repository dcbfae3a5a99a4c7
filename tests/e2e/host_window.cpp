// Test helper: host_window WxH opens a mapped magenta window of that size (named "host"), prints its id
// in decimal, and keeps it until killed; its windows go with it.
#include <X11/Xlib.h>

#include <cstdio>

int main(int argc, char** argv) {
    unsigned w = 0, h = 0;
    if (argc != 2 || std::sscanf(argv[1], "%ux%u", &w, &h) != 2 || w == 0 || h == 0) {
        std::fprintf(stderr, "usage: host_window WxH\n");
        return 2;
    }
    Display* x = XOpenDisplay(nullptr);
    if (x == nullptr) return 1;
    // Magenta, a colour the game never draws: whatever the saver leaves unpainted shows.
    const unsigned long magenta = 0xFF00FF;
    const Window win = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, w, h, 0, magenta, magenta);
    XStoreName(x, win, "host");
    XSelectInput(x, win, StructureNotifyMask);
    XMapWindow(x, win);
    for (XEvent e;;) {
        XNextEvent(x, &e);
        if (e.type == MapNotify) break;
    }
    std::printf("%lu\n", static_cast<unsigned long>(win));
    std::fflush(stdout);
    for (XEvent e;;) XNextEvent(x, &e);
}
