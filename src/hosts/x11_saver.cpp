// Saver mode on X11: the game drawn into a window someone else owns (the screensaver daemon's, the root,
// or one named by id) with plain Xlib. It opens no window, takes no input, follows the window's size,
// and ends on SIGTERM, SIGINT or the window going away. Each frame's changed rectangles reach the server
// through shared memory (MIT-SHM) where it can, and through the connection where it cannot.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/frame_loop.hpp"
#include "hosts/desktop.hpp"

// Last: it brings Xlib, whose macros (None, Bool, Status...) would reach into the headers above.
#include "hosts/x11_image.hpp"

namespace pellwick {

namespace {

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void onStopSignal(int) { stopRequested = 1; }

// The window can go away at any moment, and drawing into it then fails; its DestroyNotify ends the program,
// so the error itself needs no more than to be let go (Xlib's default would end the program with status 1).
int letXErrorGo(::Display*, XErrorEvent*) { return 0; }

void catchStopSignals() {
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

struct Saver final : Display {
    ::Display* x = nullptr;
    Window window = 0;
    XWindowAttributes attributes{};
    GC gc = nullptr;
    PixelFormat format = XRGB;
    bool shared = false;  // whether to try shared memory
    WindowImage image;
    bool gone = false;

    ~Saver() override {
        if (x == nullptr) return;
        image.release();
        if (gc != nullptr) XFreeGC(x, gc);
        XCloseDisplay(x);
    }

    // The window's pixels on our side, for the game thread to draw the next frame into.
    Canvas canvas(int width, int height) override {
        if ((image.width() != width || image.height() != height) && !image.make(x, attributes, width, height, shared)) {
            return Canvas{};
        }
        return Canvas{image.pixels(), width, height, image.stride(), format};
    }

    void present(const Frame& f) override {
        if (gone || f.rects.empty()) return;  // nothing changed: nothing to send
        image.put(window, gc, f.rects);
        image.finish();
    }

    // The window's events: gone, resized or uncovered; and the server done reading the pixels.
    void handle(const XEvent& e, AppRunner& runner) {
        if (e.type == Expose) runner.screenLost();
        if (e.type == DestroyNotify && e.xdestroywindow.window == window && !gone) {
            gone = true;
            runner.post(Input::close());
        }
        if (e.type == ConfigureNotify && e.xconfigure.window == window &&
            (e.xconfigure.width != attributes.width || e.xconfigure.height != attributes.height)) {
            attributes.width = e.xconfigure.width;
            attributes.height = e.xconfigure.height;
            runner.post(Input::resize(attributes.width, attributes.height));
        }
    }

    void pumpEvents(int waitMs, AppRunner& runner) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
        while (XPending(x) > 0) {
            XEvent e;
            XNextEvent(x, &e);
            handle(e, runner);
        }
        if (stopRequested != 0) runner.post(Input::close());
    }
};

// Prepares drawing into the window; "" or what is wrong, and the exit status that goes with it.
std::string attach(Saver& s, const Launch& l, int& status) {
    status = 2;
    s.window = l.window != 0 ? static_cast<Window>(l.window) : DefaultRootWindow(s.x);
    if (XGetWindowAttributes(s.x, s.window, &s.attributes) == 0) {
        char id[32];
        std::snprintf(id, sizeof id, "0x%lx", static_cast<unsigned long>(s.window));
        return std::string("no window ") + id + " on this display";
    }
    status = 1;
    if (!visualFormat(s.attributes, s.format)) return "the window's visual is not 8-bit true colour";
    s.gc = XCreateGC(s.x, s.window, 0, nullptr);
    // Told when the window goes, changes size or is uncovered; and it must still be there once we listen.
    XSelectInput(s.x, s.window, StructureNotifyMask | ExposureMask);
    if (XGetWindowAttributes(s.x, s.window, &s.attributes) == 0) return "the window went away";
    const std::string why = whyNoSharedMemory(s.x);
    s.shared = why.empty();
    if (!s.shared) std::fprintf(stderr, "pellwick: %s; sending pixels through the connection\n", why.c_str());
    return {};
}

}  // namespace

int runSaver(const Launch& l, std::uint64_t seed, bool drawnSeed) {
    catchStopSignals();
    Saver s;
    s.x = XOpenDisplay(nullptr);
    if (s.x == nullptr) {
        std::fprintf(stderr, "pellwick: cannot open the X display\n");
        return 1;
    }
    XSetErrorHandler(letXErrorGo);
    int status = 0;
    if (const std::string err = attach(s, l, status); !err.empty()) {
        std::fprintf(stderr, "pellwick: %s\n", err.c_str());
        return status;
    }
    if (drawnSeed) std::fprintf(stderr, "%s\n", drawnSeedLine(seed).c_str());
    AppRunner runner(s.attributes.width, s.attributes.height, AppSettings{WHITE, l.rules(), l.times, seed});
    runFrameLoop(runner, s, framePeriodUs(DEFAULT_REFRESH_HZ));
    return 0;
}

}  // namespace pellwick
