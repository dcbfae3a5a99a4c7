// Saver mode on X11: the game drawn into a window someone else owns (the screensaver daemon's, the root,
// or one named by id) with plain Xlib. It opens no window, takes no input, follows the window's size,
// and ends on SIGTERM, SIGINT or the window going away. Each frame's changed rectangles reach the server
// through shared memory (MIT-SHM) where it can, and through the connection where it cannot.
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/frame_loop.hpp"
#include "hosts/desktop.hpp"

// Last: Xlib defines macros (None, Bool, Status...) that would reach into the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

namespace pellwick {

namespace {

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void onStopSignal(int) { stopRequested = 1; }

// The window can go away at any moment, and drawing into it then fails; its DestroyNotify ends the program,
// so the error itself needs no more than to be let go (Xlib's default would end the program with status 1).
int letXErrorGo(::Display*, XErrorEvent*) { return 0; }

// Set by the handler in force while a shared-memory segment is attached: the attach failed.
bool attachFailed = false;
int noteAttachError(::Display*, XErrorEvent*) {
    attachFailed = true;
    return 0;
}

void catchStopSignals() {
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

// Why shared memory cannot be used with this display, or "" when it may be.
std::string whyNoSharedMemory(::Display* x) {
    const std::string name = DisplayString(x);
    if (!name.empty() && name[0] != ':' && name.rfind("unix:", 0) != 0) return "the display " + name + " may be remote";
    if (XShmQueryExtension(x) == False) return "the X server has no MIT-SHM extension";
    return {};
}

// The window's pixels on our side: an image in memory shared with the X server, or an ordinary one whose
// pixels travel through the connection.
class WindowImage {
public:
    WindowImage() = default;
    ~WindowImage() { release(); }
    WindowImage(const WindowImage&) = delete;
    WindowImage& operator=(const WindowImage&) = delete;

    /// A width x height image for the window's visual; shared when `shared` and the server agrees. Returns
    /// false when no image can be made; says once on stderr when shared memory was wanted and refused.
    bool make(::Display* x, const XWindowAttributes& a, int width, int height, bool shared);
    /// The pixels, `stride()` to a row.
    std::uint32_t* pixels() { return reinterpret_cast<std::uint32_t*>(image_->data); }
    int stride() const { return image_->bytes_per_line / 4; }
    /// Sends the rectangles of the image to the same places in the window.
    void put(Window w, GC gc, const std::vector<Rect>& rects);
    /// Waits until the server has read every pixel sent, so that they may change again.
    void finish() {
        if (shared_) {
            XSync(x_, False);
        } else {
            XFlush(x_);  // the pixels left with the requests
        }
    }

    int width() const { return image_ == nullptr ? 0 : image_->width; }
    int height() const { return image_ == nullptr ? 0 : image_->height; }
    /// Gives the image (and the segment) back; before the display closes.
    void release();

private:
    bool makeShared(const XWindowAttributes& a, int width, int height);

    ::Display* x_ = nullptr;
    XImage* image_ = nullptr;
    XShmSegmentInfo segment_{};
    bool shared_ = false;
    std::vector<XRectangle> clip_;
    std::vector<std::uint32_t> plain_;
};

bool WindowImage::makeShared(const XWindowAttributes& a, int width, int height) {
    image_ = XShmCreateImage(x_, a.visual, static_cast<unsigned>(a.depth), ZPixmap, nullptr, &segment_,
                             static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (image_ == nullptr) return false;
    segment_.shmid = shmget(IPC_PRIVATE, static_cast<std::size_t>(image_->bytes_per_line) * height, IPC_CREAT | 0600);
    void* at = segment_.shmid < 0 ? reinterpret_cast<void*>(-1) : shmat(segment_.shmid, nullptr, 0);
    if (at != reinterpret_cast<void*>(-1)) {
        segment_.shmaddr = image_->data = static_cast<char*>(at);
        segment_.readOnly = False;
        attachFailed = false;
        XErrorHandler previous = XSetErrorHandler(noteAttachError);  // attach errors arrive later: wait for them
        const bool attached = XShmAttach(x_, &segment_) != False;
        XSync(x_, False);
        XSetErrorHandler(previous);
        shared_ = attached && !attachFailed;
        if (!shared_) shmdt(at);
    }
    if (segment_.shmid >= 0) shmctl(segment_.shmid, IPC_RMID, nullptr);  // gone with the last user
    if (shared_) return true;
    image_->data = nullptr;
    XDestroyImage(image_);
    image_ = nullptr;
    return false;
}

bool WindowImage::make(::Display* x, const XWindowAttributes& a, int width, int height, bool shared) {
    release();
    x_ = x;
    static bool refusalTold = false;
    if (shared && !makeShared(a, width, height) && !refusalTold) {
        refusalTold = true;
        std::fprintf(stderr, "pellwick: the X server refused shared memory; sending pixels through the connection\n");
    }
    if (image_ == nullptr) {
        plain_.assign(static_cast<std::size_t>(width) * height, 0);
        image_ = XCreateImage(x, a.visual, static_cast<unsigned>(a.depth), ZPixmap, 0, reinterpret_cast<char*>(plain_.data()),
                              static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
    }
    if (image_ != nullptr && image_->bits_per_pixel == 32) return true;
    release();  // an image of another layout is never handed out to be drawn into
    return false;
}

void WindowImage::put(Window w, GC gc, const std::vector<Rect>& rects) {
    if (!shared_) {
        for (const Rect& r : rects) {  // the pixels travel with the requests: only those of the rectangles
            XPutImage(x_, w, gc, image_, r.x, r.y, r.x, r.y, static_cast<unsigned>(r.width), static_cast<unsigned>(r.height));
        }
        return;
    }
    // One request for the whole frame, clipped to the rectangles: the server's work per request is what a
    // few hundred small ones would cost, its work per pixel the same.
    clip_.clear();
    int x0 = image_->width, y0 = image_->height, x1 = 0, y1 = 0;
    for (const Rect& r : rects) {
        clip_.push_back(XRectangle{static_cast<short>(r.x), static_cast<short>(r.y), static_cast<unsigned short>(r.width),
                                   static_cast<unsigned short>(r.height)});
        x0 = std::min(x0, r.x);
        y0 = std::min(y0, r.y);
        x1 = std::max(x1, r.x + r.width);
        y1 = std::max(y1, r.y + r.height);
    }
    XSetClipRectangles(x_, gc, 0, 0, clip_.data(), static_cast<int>(clip_.size()), Unsorted);
    XShmPutImage(x_, w, gc, image_, x0, y0, x0, y0, static_cast<unsigned>(x1 - x0), static_cast<unsigned>(y1 - y0), False);
    XSetClipMask(x_, gc, 0);
}

void WindowImage::release() {
    if (image_ == nullptr) return;
    if (shared_) {
        XShmDetach(x_, &segment_);
        XSync(x_, False);
        shmdt(segment_.shmaddr);
    }
    image_->data = nullptr;  // the pixels are ours, or the segment's
    XDestroyImage(image_);
    image_ = nullptr;
    shared_ = false;
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
    const Visual* v = s.attributes.visual;
    if (v->c_class != TrueColor || !formatFromMasks(static_cast<std::uint32_t>(v->red_mask), static_cast<std::uint32_t>(v->green_mask),
                                                    static_cast<std::uint32_t>(v->blue_mask), s.format)) {
        return "the window's visual is not 8-bit true colour";
    }
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
namespace pellwick {
int runX11Saver(const Launch&, std::uint64_t, bool) { return 1; }
}
