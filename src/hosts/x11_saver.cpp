// The savers and the wallpaper on X11, with plain Xlib: the game drawn into a window someone else owns
// (the screensaver daemon's, the root, or one named by id), taking no input, following the window's size
// and ending when it goes away; windows of its own over every monitor, a game in each, ended by any input
// (for xss-lock and xautolock); or desktop windows of its own below every other on every monitor, taking no
// input (the wallpaper). SIGTERM and SIGINT end any of them. Each frame's changed rectangles reach the
// server through shared memory (MIT-SHM) where it can, and through the connection where it cannot.
#include <poll.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/frame_loop.hpp"
#include "app/saver.hpp"
#include "hosts/desktop.hpp"
#include "hosts/power.hpp"
#include "hosts/stop_signal.hpp"
#include "hosts/x11_image.hpp"

// Last: Xlib defines macros (None, Bool, Status...) that would reach into the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/shape.h>

namespace pellwick {

namespace {

// The window can go away at any moment, and drawing into it then fails; its DestroyNotify ends the program,
// so the error itself needs no more than to be let go (Xlib's default would end the program with status 1).
int letXErrorGo(::Display*, XErrorEvent*) { return 0; }

struct Monitor {
    int x, y, width, height;
    bool operator==(const Monitor&) const = default;
};

// One window the saver draws into, with its game, shown at the default refresh rate.
struct Pane final : Screen {
    ::Display* x;
    PixelFormat format;
    bool shared;  // whether to try shared memory
    Window window = 0;
    XWindowAttributes attributes{};
    Monitor place{};  // of our own windows: the monitors it covers, as the window was made for them
    GC gc = nullptr;
    WindowImage image;
    bool showsField = false;  // the image lies over the field's own pixels, kept in the window's format
    bool gone = false;
    int zoom;  // device pixels a field pixel takes on each side
    std::unique_ptr<AppRunner> game;

    Pane(::Display* display, PixelFormat f, bool s, int z)
        : Screen(FramePacer::everyUs(framePeriodUs(DEFAULT_REFRESH_HZ))), x(display), format(f), shared(s), zoom(z) {}
    AppRunner* runner() override { return game.get(); }
    Canvas canvas(int width, int height) override;
    void present(const Frame& f) override;
};

// The connection and the panes on it.
struct Saver final : Display {
    ::Display* x = nullptr;
    PixelFormat format = XRGB;
    bool shared = false;  // whether to try shared memory
    bool ownWindows = false;
    bool wallpaper = false;  // our own windows are the desktop's background, taking no input
    bool span = false;  // one window and one game across every monitor
    Cursor blank = 0;
    int monitorEvent = -1;  // RandR's event for a change of the monitors
    bool keyboardGrabbed = false;
    bool pointerGrabbed = false;
    AppSettings settings;               // of the games on our own windows
    int zoomSetting = 1;
    std::optional<SaverPolicy> policy;  // over our own windows: their seeds, and the input that ends them
    bool ended = false;                 // by input over our own windows
    std::vector<std::unique_ptr<Pane>> panes;

    ~Saver() override {
        if (x == nullptr) return;
        while (!panes.empty()) drop(panes.back());
        if (blank != 0) XFreeCursor(x, blank);
        XCloseDisplay(x);
    }

    // Ends a pane's game, then gives back what it drew with, and its window when it is ours.
    void drop(std::unique_ptr<Pane>& p) {
        p->game.reset();
        p->image.release();
        if (p->gc != nullptr) XFreeGC(x, p->gc);
        if (ownWindows && !p->gone) XDestroyWindow(x, p->window);
        panes.erase(std::find(panes.begin(), panes.end(), p));
    }

    Pane* paneOf(Window w) {
        for (auto& p : panes) {
            if (p->window == w) return p.get();
        }
        return nullptr;
    }

    // Whether the saver goes on: no stop signal, no input that ends it, and every game still runs.
    bool goesOn() override {
        if (stopRequested() || ended || panes.empty()) return false;
        return std::all_of(panes.begin(), panes.end(), [](const auto& p) { return p->game->running(); });
    }
    void forEachScreen(const std::function<void(Screen&)>& f) override {
        for (auto& p : panes) f(*p);
    }
    void pumpEvents(int waitMs) override;
    bool onBattery() override { return onBatteryPower(); }

    void handle(const XEvent& e);
    void endOnInput(const XEvent& e);
    bool monitorsChanged();
    void addPane(Window w, const AppSettings& settings);
    void grab();
};

// The input over our own windows, in root coordinates: one space for every monitor.
void Saver::endOnInput(const XEvent& e) {
    std::optional<Input> in;
    if (e.type == KeyPress) in = Input::keyDown(Key::Other);
    if (e.type == ButtonPress) in = Input::press(Button::Other, 1);
    if (e.type == MotionNotify) in = Input::mouseMove(e.xmotion.x_root, e.xmotion.y_root);
    if (in && policy->ends(*in, 0)) ended = true;
}

// A pane's window: gone, resized or uncovered; and the input over our own windows.
void Saver::handle(const XEvent& e) {
    if (policy && !wallpaper) endOnInput(e);
    Pane* p = paneOf(e.xany.window);
    if (p == nullptr) return;
    if (e.type == Expose) p->game->screenLost();
    if (e.type == VisibilityNotify) {  // wholly covered, it gets no frames
        const bool wasShown = p->shown;
        p->shown = e.xvisibility.state != VisibilityFullyObscured;
        if (p->shown && !wasShown) p->game->screenLost();
    }
    if (e.type == DestroyNotify && e.xdestroywindow.window == p->window && !p->gone) {
        p->gone = true;
        p->game->post(Input::close());
    }
    if (e.type == ConfigureNotify && e.xconfigure.window == p->window &&
        (e.xconfigure.width != p->attributes.width || e.xconfigure.height != p->attributes.height)) {
        p->attributes.width = e.xconfigure.width;
        p->attributes.height = e.xconfigure.height;
        p->game->post(Input::resize(fieldSide(p->attributes.width, p->zoom), fieldSide(p->attributes.height, p->zoom)));
    }
}

// The pane's image for the game thread to draw into, the field's size times the zoom; or the field itself,
// when the server reads it there.
Canvas Pane::canvas(int width, int height) {
    if (showsField) return Canvas::theField(width, height);
    const int w = width * zoom, h = height * zoom;
    if ((image.width() != w || image.height() != h) && !image.make(x, attributes, w, h, shared)) return Canvas{};
    return Canvas{image.pixels(), w, h, image.stride(), format, false, zoom};
}

void Pane::present(const Frame& f) {
    if (gone || f.rects.empty()) return;  // nothing changed: nothing to send
    if (showsField && zoom == 1) return image.showField(x, attributes, window, gc, f);
    if (showsField && !image.showFieldZoomed(x, attributes, window, f, zoom)) {  // enlarged on our side from now on
        showsField = false;
        game->screenLost();
    }
    if (showsField) return;
    image.put(window, gc, f.rects);
    image.finish();
}

void Saver::addPane(Window w, const AppSettings& settings) {
    auto p = std::make_unique<Pane>(x, format, shared, zoomFor(zoomSetting, desktopScale(x)));
    p->window = w;
    XGetWindowAttributes(x, w, &p->attributes);
    p->gc = XCreateGC(x, w, 0, nullptr);
    // The field kept in the window's format, and shared with the server where it can be, is shown where it
    // lies: nothing is copied, and at a zoom the server enlarges it where it can. A format it cannot keep,
    // or a zoom the server cannot take, is drawn into an image of our own (from a field in the window's
    // format where it can keep it, which spares a conversion).
    AppSettings withScreen = settings;
    p->showsField = keepsColourBits(format) && (p->zoom == 1 || (shared && serverEnlarges(x)));
    withScreen.pixelFormat = keepsColourBits(format) ? format : FIELD_ORDER;
    withScreen.sharedPixels = p->showsField && shared;
    p->game = std::make_unique<AppRunner>(fieldSide(p->attributes.width, p->zoom), fieldSide(p->attributes.height, p->zoom), withScreen);
    panes.push_back(std::move(p));
}

// Prepares drawing into the window; "" or what is wrong, and the exit status that goes with it.
std::string attach(Saver& s, Window& w, const Launch& l, int& status) {
    status = 2;
    w = l.window != 0 ? static_cast<Window>(l.window) : DefaultRootWindow(s.x);
    XWindowAttributes a{};
    if (XGetWindowAttributes(s.x, w, &a) == 0) {
        char id[32];
        std::snprintf(id, sizeof id, "0x%lx", static_cast<unsigned long>(w));
        return std::string("no window ") + id + " on this display";
    }
    status = 1;
    if (!trueColour(a.visual, s.format)) return "the window's visual is not 8-bit true colour";
    // Told when the window goes, changes size or is uncovered; and it must still be there once we listen.
    XSelectInput(s.x, w, StructureNotifyMask | ExposureMask | VisibilityChangeMask);
    if (XGetWindowAttributes(s.x, w, &a) == 0) return "the window went away";
    return {};
}

// Opens the display, with shared memory where it can be had; says why not on stderr when it cannot.
bool openDisplay(Saver& s) {
    s.x = XOpenDisplay(nullptr);
    if (s.x == nullptr) {
        std::fprintf(stderr, "pellwick: cannot open the X display\n");
        return false;
    }
    XSetErrorHandler(letXErrorGo);
    const std::string why = whyNoSharedMemory(s.x);
    s.shared = why.empty();
    if (!s.shared) std::fprintf(stderr, "pellwick: %s; sending pixels through the connection\n", why.c_str());
    return true;
}

// Waits up to waitMs for X events and handles them; over our own windows, takes the keyboard and pointer
// until both are ours.
void Saver::pumpEvents(int waitMs) {
    XFlush(x);
    pollfd fd{ConnectionNumber(x), POLLIN, 0};
    if (XPending(x) == 0) poll(&fd, 1, waitMs);
    while (XPending(x) > 0) {
        XEvent e;
        XNextEvent(x, &e);
        handle(e);
        if (monitorEvent >= 0 && e.type == monitorEvent) {
            XRRUpdateConfiguration(&e);
            if (monitorsChanged()) keyboardGrabbed = pointerGrabbed = false;  // the window grabbed on may be gone
        }
    }
    if (ownWindows && !wallpaper && !panes.empty() && !(keyboardGrabbed && pointerGrabbed)) grab();
}

// ---- windows of our own over every monitor ------------------------------------------------------------

std::vector<Monitor> monitors(::Display* x) {
    std::vector<Monitor> out;
    int count = 0;
    if (XRRMonitorInfo* m = XRRGetMonitors(x, DefaultRootWindow(x), True, &count)) {
        for (int i = 0; i < count; ++i) out.push_back(Monitor{m[i].x, m[i].y, m[i].width, m[i].height});
        XRRFreeMonitors(m);
    }
    if (out.empty()) out.push_back(Monitor{0, 0, DisplayWidth(x, DefaultScreen(x)), DisplayHeight(x, DefaultScreen(x))});
    return out;
}

// The smallest rectangle holding every monitor.
Monitor bounds(const std::vector<Monitor>& all) {
    int left = all.front().x, top = all.front().y, right = left, bottom = top;
    for (const Monitor& m : all) {
        left = std::min(left, m.x);
        top = std::min(top, m.y);
        right = std::max(right, m.x + m.width);
        bottom = std::max(bottom, m.y + m.height);
    }
    return Monitor{left, top, right - left, bottom - top};
}

// A window over the monitor, above every other, with no pointer shown.
Window coverMonitor(Saver& s, const Monitor& m) {
    ::Display* x = s.x;
    XSetWindowAttributes a{};
    a.override_redirect = True;
    a.cursor = s.blank;
    a.event_mask = StructureNotifyMask | ExposureMask | VisibilityChangeMask | KeyPressMask | ButtonPressMask | PointerMotionMask;
    const Window w = XCreateWindow(x, DefaultRootWindow(x), m.x, m.y, static_cast<unsigned>(m.width), static_cast<unsigned>(m.height),
                                   0, CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect | CWCursor | CWEventMask, &a);
    XStoreName(x, w, "Pellwick");
    XClassHint hint{const_cast<char*>("pellwick"), const_cast<char*>("Pellwick")};
    XSetClassHint(x, w, &hint);
    XMapRaised(x, w);
    return w;
}

// Sets a window property of atoms by their names.
void setAtoms(::Display* x, Window w, const char* property, std::initializer_list<const char*> names) {
    std::vector<Atom> atoms;
    for (const char* n : names) atoms.push_back(XInternAtom(x, n, False));
    XChangeProperty(x, w, XInternAtom(x, property, False), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(atoms.data()), static_cast<int>(atoms.size()));
}

// A window of the desktop's type on the monitor, which window managers keep below every other window, on
// every workspace and out of taskbars and pagers. It takes no input anywhere: clicks reach the desktop.
Window backMonitor(::Display* x, const Monitor& m) {
    XSetWindowAttributes a{};
    a.event_mask = StructureNotifyMask | ExposureMask | VisibilityChangeMask;
    const Window w = XCreateWindow(x, DefaultRootWindow(x), m.x, m.y, static_cast<unsigned>(m.width), static_cast<unsigned>(m.height),
                                   0, CopyFromParent, InputOutput, CopyFromParent, CWEventMask, &a);
    XStoreName(x, w, "Pellwick");
    XClassHint hint{const_cast<char*>("pellwick"), const_cast<char*>("Pellwick")};
    XSetClassHint(x, w, &hint);
    XSizeHints size{};
    size.flags = USPosition | USSize;  // where we put it, not where a window manager would
    size.x = m.x;
    size.y = m.y;
    size.width = m.width;
    size.height = m.height;
    XSetWMNormalHints(x, w, &size);
    setAtoms(x, w, "_NET_WM_WINDOW_TYPE", {"_NET_WM_WINDOW_TYPE_DESKTOP"});
    setAtoms(x, w, "_NET_WM_STATE", {"_NET_WM_STATE_BELOW", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_STATE_STICKY"});
    const long everyDesktop = 0xFFFFFFFF;
    XChangeProperty(x, w, XInternAtom(x, "_NET_WM_DESKTOP", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&everyDesktop), 1);
    XShapeCombineRectangles(x, w, ShapeInput, 0, 0, nullptr, 0, ShapeSet, Unsorted);
    XMapWindow(x, w);
    XLowerWindow(x, w);
    return w;
}

Cursor blankCursor(::Display* x) {
    char none = 0;
    XColor black{};
    const Pixmap p = XCreateBitmapFromData(x, DefaultRootWindow(x), &none, 1, 1);
    const Cursor c = XCreatePixmapCursor(x, p, p, &black, &black, 0, 0);
    XFreePixmap(x, p);
    return c;
}

// Covers the monitors no pane covers yet and drops the panes whose monitor is gone. Returns whether any changed.
bool Saver::monitorsChanged() {
    std::vector<Monitor> now = monitors(x);
    if (span) now = {bounds(now)};
    const auto covers = [](const Pane& p, const Monitor& m) { return p.place == m; };
    const std::size_t before = panes.size();
    bool dropped = false;
    for (std::size_t i = panes.size(); i-- > 0;) {
        if (std::none_of(now.begin(), now.end(), [&](const Monitor& m) { return covers(*panes[i], m); })) {
            drop(panes[i]);
            dropped = true;
        }
    }
    for (const Monitor& m : now) {
        if (std::any_of(panes.begin(), panes.end(), [&](const auto& p) { return covers(*p, m); })) continue;
        AppSettings next = settings;
        next.seed = policy->nextSeed();
        addPane(wallpaper ? backMonitor(x, m) : coverMonitor(*this, m), next);
        panes.back()->place = m;
    }
    return dropped || panes.size() != before;
}

// Input goes to our windows even while another program has the focus.
// Another program may hold a grab (an open menu, say), and the grab goes with the window it was made on:
// tried again after every round of events until both are ours.
void Saver::grab() {
    const Window w = panes.front()->window;
    if (!keyboardGrabbed) keyboardGrabbed = XGrabKeyboard(x, w, True, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
    if (!pointerGrabbed) {
        pointerGrabbed = XGrabPointer(x, w, True, ButtonPressMask | PointerMotionMask, GrabModeAsync, GrabModeAsync, None, blank,
                                      CurrentTime) == GrabSuccess;
    }
}

}  // namespace

int runSaver(const Launch& l, std::uint64_t seed, bool drawnSeed) {
    catchStopSignals();
    Saver s;
    if (!openDisplay(s)) return 1;
    int status = 0;
    Window w = 0;
    if (const std::string err = attach(s, w, l, status); !err.empty()) {
        std::fprintf(stderr, "pellwick: %s\n", err.c_str());
        return status;
    }
    if (drawnSeed) std::fprintf(stderr, "%s\n", drawnSeedLine(seed).c_str());
    s.zoomSetting = l.settings.zoom;
    s.addPane(w, l.appSettings(WHITE, seed));
    runFrameLoop(s, l.settings);
    return 0;
}

int runX11Saver(const Launch& l, std::uint64_t seed, bool drawnSeed) {
    catchStopSignals();
    Saver s;
    if (!openDisplay(s)) return 1;
    if (!trueColour(DefaultVisual(s.x, DefaultScreen(s.x)), s.format)) {
        std::fprintf(stderr, "pellwick: the screen's visual is not 8-bit true colour\n");
        return 1;
    }
    s.ownWindows = true;
    s.wallpaper = l.mode == Launch::Mode::Wallpaper;
    s.span = l.settings.monitors == Monitors::Span;
    s.zoomSetting = l.settings.zoom;
    s.blank = blankCursor(s.x);
    s.settings = l.appSettings(WHITE, seed);
    s.policy.emplace(seed);
    ::Window root = 0, child = 0;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned mask = 0;
    if (!s.wallpaper && XQueryPointer(s.x, DefaultRootWindow(s.x), &root, &child, &rootX, &rootY, &winX, &winY, &mask) != False) {
        s.policy->pointerStartsAt(0, rootX, rootY);  // where the pointer starts
    }
    if (int event = 0, error = 0; XRRQueryExtension(s.x, &event, &error) != False) {
        s.monitorEvent = event + RRScreenChangeNotify;
        XRRSelectInput(s.x, DefaultRootWindow(s.x), RRScreenChangeNotifyMask);
    }
    s.monitorsChanged();
    if (drawnSeed) std::fprintf(stderr, "%s\n", drawnSeedLine(seed).c_str());
    runFrameLoop(s, l.settings);
    return 0;
}

}  // namespace pellwick
