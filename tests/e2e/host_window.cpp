// Test helper: host_window WxH [fullscreen] opens a mapped magenta window of that size (named "host"),
// asking a window manager to show it full-screen when told, prints its id in decimal, and keeps it until
// killed; its windows go with it.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    unsigned w = 0, h = 0;
    const bool fullScreen = argc == 3 && std::string(argv[2]) == "fullscreen";
    if ((argc != 2 && !fullScreen) || std::sscanf(argv[1], "%ux%u", &w, &h) != 2 || w == 0 || h == 0) {
        std::fprintf(stderr, "usage: host_window WxH [fullscreen]\n");
        return 2;
    }
    Display* x = XOpenDisplay(nullptr);
    if (x == nullptr) return 1;
    // Magenta, a colour the game never draws: whatever the saver leaves unpainted shows.
    const unsigned long magenta = 0xFF00FF;
    const Window win = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, w, h, 0, magenta, magenta);
    XStoreName(x, win, "host");
    XSelectInput(x, win, StructureNotifyMask);
    if (fullScreen) {  // the state a window manager reads when the window is mapped
        const Atom state = XInternAtom(x, "_NET_WM_STATE_FULLSCREEN", False);
        XChangeProperty(x, win, XInternAtom(x, "_NET_WM_STATE", False), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&state), 1);
    }
    XMapWindow(x, win);
    for (XEvent e;;) {
        XNextEvent(x, &e);
        if (e.type == MapNotify) break;
    }
    std::printf("%lu\n", static_cast<unsigned long>(win));
    std::fflush(stdout);
    for (XEvent e;;) XNextEvent(x, &e);
}
