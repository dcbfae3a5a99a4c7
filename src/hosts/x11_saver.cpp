// Saver mode on X11: the game drawn into a window someone else owns (the screensaver daemon's, the root,
// or one named by id) with plain Xlib. It opens no window, takes no input, follows the window's size,
// and ends on SIGTERM, SIGINT or the window going away.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>
#include <vector>

#include "app/frame_loop.hpp"
#include "hosts/desktop.hpp"

// Last: Xlib defines macros (None, Bool, Status...) that would reach into the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace pellwick {

namespace {

constexpr std::int64_t WINDOW_CHECK_US = 100'000;  // how often the window's size and existence are checked

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void onStopSignal(int) { stopRequested = 1; }

// The window can go away at any moment, and drawing into it then fails; the watcher notices, so the error
// itself needs no more than to be let go (Xlib's default would end the program with status 1).
int letXErrorGo(::Display*, XErrorEvent*) { return 0; }

void catchStopSignals() {
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

// Where one 8-bit channel goes in a pixel of the window's visual.
int shiftOf(unsigned long mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1) == 0) {
        mask >>= 1;
        ++shift;
    }
    return mask == 0xFF ? shift : -1;  // only 8 bits a channel
}

struct Saver final : Display {
    ::Display* x = nullptr;
    Window window = 0;
    XWindowAttributes attributes{};
    GC gc = nullptr;
    int redShift = 0, greenShift = 0, blueShift = 0;
    std::uint32_t opaque = 0;  // alpha bits, for visuals that have them
    std::vector<std::uint32_t> pixels;  // the field in the window's pixel format
    XImage* image = nullptr;
    std::int64_t nextCheckUs = 0;
    bool gone = false;

    ~Saver() override {
        if (x == nullptr) return;
        dropImage();
        if (gc != nullptr) XFreeGC(x, gc);
        XCloseDisplay(x);
    }

    void dropImage() {
        if (image == nullptr) return;
        image->data = nullptr;  // the pixels are ours
        XDestroyImage(image);
        image = nullptr;
    }

    bool makeImage(int width, int height) {
        dropImage();
        pixels.assign(static_cast<std::size_t>(width) * height, opaque);
        image = XCreateImage(x, attributes.visual, static_cast<unsigned>(attributes.depth), ZPixmap, 0,
                             reinterpret_cast<char*>(pixels.data()), static_cast<unsigned>(width),
                             static_cast<unsigned>(height), 32, 0);
        return image != nullptr && image->bits_per_pixel == 32;
    }

    std::uint32_t toPixel(Colour c) const {
        const auto bytes = toRgbBytes(c);
        return opaque | (std::uint32_t{bytes[0]} << redShift) | (std::uint32_t{bytes[1]} << greenShift) |
               (std::uint32_t{bytes[2]} << blueShift);
    }

    void present(const Frame& f) override {
        if (gone) return;
        const bool fresh = image == nullptr || image->width != f.width || image->height != f.height;
        if (fresh && !makeImage(f.width, f.height)) return;
        f.forEachChange([&](const Band& b) {
            for (int y = b.y; y < b.y + b.height; ++y) {
                const std::size_t row = static_cast<std::size_t>(y) * f.width;
                for (int px = b.x; px < b.x + b.width; ++px) pixels[row + px] = toPixel(f.pixels[row + px]);
            }
            XPutImage(x, window, gc, image, b.x, b.y, b.x, b.y, static_cast<unsigned>(b.width),
                      static_cast<unsigned>(b.height));
        });
        XFlush(x);
    }

    // Notices the window going away or changing size.
    void checkWindow(AppRunner& runner) {
        XWindowAttributes now{};
        if (XGetWindowAttributes(x, window, &now) == 0) {
            gone = true;
            runner.post(Input::close());
            return;
        }
        if (now.width != attributes.width || now.height != attributes.height) {
            runner.post(Input::resize(now.width, now.height));
        }
        attributes = now;
    }

    void pumpEvents(int waitMs, AppRunner& runner) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
        while (XPending(x) > 0) {  // nothing is asked for, but the queue must not grow
            XEvent e;
            XNextEvent(x, &e);
        }
        if (stopRequested != 0) runner.post(Input::close());
        if (!gone && nowUs() >= nextCheckUs) {
            nextCheckUs = nowUs() + WINDOW_CHECK_US;
            checkWindow(runner);
        }
    }
};

// Prepares drawing into the window; "" or what is wrong, and the exit status that goes with it.
std::string attach(Saver& s, const LaunchOptions& o, int& status) {
    status = 2;
    s.window = o.window != 0 ? static_cast<Window>(o.window) : DefaultRootWindow(s.x);
    if (XGetWindowAttributes(s.x, s.window, &s.attributes) == 0) {
        char id[32];
        std::snprintf(id, sizeof id, "0x%lx", static_cast<unsigned long>(s.window));
        return std::string("no window ") + id + " on this display";
    }
    status = 1;
    const Visual* v = s.attributes.visual;
    s.redShift = shiftOf(v->red_mask);
    s.greenShift = shiftOf(v->green_mask);
    s.blueShift = shiftOf(v->blue_mask);
    if (v->c_class != TrueColor || s.redShift < 0 || s.greenShift < 0 || s.blueShift < 0) {
        return "the window's visual is not 8-bit true colour";
    }
    if (s.attributes.depth == 32) s.opaque = ~static_cast<std::uint32_t>(v->red_mask | v->green_mask | v->blue_mask);
    s.gc = XCreateGC(s.x, s.window, 0, nullptr);
    return {};
}

}  // namespace

int runSaver(const LaunchOptions& o) {
    catchStopSignals();
    Saver s;
    s.x = XOpenDisplay(nullptr);
    if (s.x == nullptr) {
        std::fprintf(stderr, "pellwick: cannot open the X display\n");
        return 1;
    }
    XSetErrorHandler(letXErrorGo);
    int status = 0;
    if (const std::string err = attach(s, o, status); !err.empty()) {
        std::fprintf(stderr, "pellwick: %s\n", err.c_str());
        return status;
    }
    AppRunner runner(s.attributes.width, s.attributes.height, WHITE, {}, InputRules::Embedded);
    AutoClicks clicks(nowUs(), o.firstGameSeconds, o.newGameSeconds);
    runFrameLoop(runner, s, framePeriodUs(DEFAULT_REFRESH_HZ), &clicks);
    return 0;
}

}  // namespace pellwick
