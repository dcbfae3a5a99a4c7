// The X11 host, on plain Xlib: the program's own borderless window over the usable desktop; a saver with a
// window of its own over every monitor (or one across them), taking every input; the wallpaper, windows of
// the desktop's type below every other, taking none; or a saver drawing into a window someone else owns
// (XScreenSaver's, the root, one named by id). It tells the run what happens to its windows and what input
// comes, and puts the frames it is handed on them: from the field's own memory where the server can read it
// there (shared, and enlarged by the server at a zoom), else from an image of ours. SIGTERM and SIGINT end
// any of them.
#include <poll.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/clicks.hpp"
#include "app/icon.hpp"
#include "app/screens.hpp"
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
#include <X11/keysym.h>

namespace pellwick {

namespace {

// A window can go away at any moment, and drawing into it then fails; its DestroyNotify tells the run, so
// the error itself needs no more than to be let go (Xlib's default would end the program with status 1).
int letXErrorGo(::Display*, XErrorEvent*) { return 0; }

struct X11Host;

// One window the run draws on.
struct X11Pane final : ScreenView {
    X11Host& host;
    Window window = 0;
    XWindowAttributes attributes{};
    Rect place{};  // of our own windows: the place the run gave it
    GC gc = nullptr;
    WindowImage image;
    bool showsField = false;  // the image lies over the field's own pixels, kept in the window's format
    bool gone = false;        // destroyed by someone else
    int zoom = 1;

    X11Pane(X11Host& h, Window w);
    FieldKeeping keeping(int z) override;
    Canvas canvas(int fieldWidth, int fieldHeight, int z) override;
    bool present(const Frame& f) override;
};

// The connection, its windows and the run on them.
struct X11Host final : Display {
    ::Display* x = nullptr;
    PixelFormat format = XRGB;
    bool shared = false;  // whether to try shared memory
    Launch launch;
    std::optional<ScreenGames> games;
    DesktopBlanked blanked;  // an idle watcher's word on the desktop's own blanking or locking
    Cursor blank = 0;
    int monitorEvent = -1;  // RandR's event for a change of the monitors
    Atom deleteWindow = 0;
    bool keyboardGrabbed = false;
    bool pointerGrabbed = false;
    ClickCounter clicks;
    std::vector<std::unique_ptr<X11Pane>> panes;

    ~X11Host() override;
    bool ownWindows() const { return launch.mode != Launch::Mode::InWindow; }
    X11Pane* paneOf(Window w);
    void drop(X11Pane* p);
    ScreenFacts factsOf(const X11Pane& p) const;
    void addPane(Window w, const Rect& place);
    void followMonitors();
    Window openWindow(const Rect& place);
    void pumpEvents(int waitMs) override;
    bool onBattery() override { return onBatteryPower(); }
    void handle(const XEvent& e);
    void handleInput(const XEvent& e, X11Pane& p);
    void grab();
};

X11Pane::X11Pane(X11Host& h, Window w) : host(h), window(w) {
    XGetWindowAttributes(host.x, w, &attributes);
    gc = XCreateGC(host.x, w, 0, nullptr);
}

// The field kept in the window's format, and shared with the server where it can be, is shown where it
// lies: nothing is copied, and at a zoom the server enlarges it where it can. A format it cannot keep, or
// a zoom the server cannot take, is drawn into an image of our own (from a field in the window's format
// where it can keep it, which spares a conversion).
FieldKeeping X11Pane::keeping(int z) {
    zoom = z;
    const bool keeps = keepsColourBits(host.format);
    showsField = keeps && (z == 1 || (host.shared && serverEnlarges(host.x)));
    return FieldKeeping{keeps ? host.format : FIELD_ORDER, showsField && host.shared};
}

Canvas X11Pane::canvas(int fieldWidth, int fieldHeight, int z) {
    if (showsField) return Canvas::theField(fieldWidth, fieldHeight);
    const int w = fieldWidth * z, h = fieldHeight * z;
    if ((image.width() != w || image.height() != h) && !image.make(host.x, attributes, w, h, host.shared)) return Canvas{};
    return Canvas{image.pixels(), w, h, image.stride(), host.format, false, z};
}

bool X11Pane::present(const Frame& f) {
    if (gone || f.rects.empty()) return false;  // nothing changed: nothing to send
    if (showsField && zoom == 1) {
        image.showField(host.x, attributes, window, gc, f);
        return false;
    }
    if (showsField && !image.showFieldZoomed(host.x, attributes, window, f, zoom)) {  // enlarged on our side from now on
        showsField = false;
        host.games->screenExposed(window);
    }
    if (showsField) return false;
    image.put(window, gc, f.rects);
    image.finish();
    return false;
}

X11Host::~X11Host() {
    if (x == nullptr) return;
    while (!panes.empty()) drop(panes.back().get());
    if (blank != 0) XFreeCursor(x, blank);
    XCloseDisplay(x);
}

X11Pane* X11Host::paneOf(Window w) {
    for (auto& p : panes) {
        if (p->window == w) return p.get();
    }
    return nullptr;
}

// Ends a pane's game, then gives back what it drew with, and its window when it is ours.
void X11Host::drop(X11Pane* p) {
    if (games) games->screenWent(p->window);
    p->image.release();
    if (p->gc != nullptr) XFreeGC(x, p->gc);
    if (ownWindows() && !p->gone) XDestroyWindow(x, p->window);
    std::erase_if(panes, [p](const auto& q) { return q.get() == p; });
}

// The refresh rate of the screen, as RandR tells it; 0 where it does not.
int refreshRate(::Display* x) {
    XRRScreenConfiguration* config = XRRGetScreenInfo(x, DefaultRootWindow(x));
    if (config == nullptr) return 0;
    const int rate = XRRConfigCurrentRate(config);
    XRRFreeScreenConfigInfo(config);
    return rate;
}

ScreenFacts X11Host::factsOf(const X11Pane& p) const {
    return ScreenFacts{p.attributes.width, p.attributes.height, scaleFromDpi(desktopDpi(x)), refreshRate(x), false};
}

void X11Host::addPane(Window w, const Rect& place) {
    panes.push_back(std::make_unique<X11Pane>(*this, w));
    X11Pane& p = *panes.back();
    p.place = place;
    games->screenCame(w, p, factsOf(p));
}

// ---- the monitors and our windows on them --------------------------------------------------------------

std::vector<Rect> monitors(::Display* x) {
    std::vector<Rect> out;
    int count = 0;
    if (XRRMonitorInfo* m = XRRGetMonitors(x, DefaultRootWindow(x), True, &count)) {
        for (int i = 0; i < count; ++i) out.push_back(Rect{m[i].x, m[i].y, m[i].width, m[i].height});
        XRRFreeMonitors(m);
    }
    if (out.empty()) out.push_back(Rect{0, 0, DisplayWidth(x, DefaultScreen(x)), DisplayHeight(x, DefaultScreen(x))});
    return out;
}

// The part of the first monitor that panels leave free (_NET_WORKAREA), for the program's own window.
Rect usableArea(::Display* x) {
    Rect first = monitors(x).front();
    Atom type = 0;
    int unitBits = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(x, DefaultRootWindow(x), XInternAtom(x, "_NET_WORKAREA", False), 0, 4, False, XA_CARDINAL, &type,
                           &unitBits, &count, &after, &data) == Success && data != nullptr && count == 4 && unitBits == 32) {
        const auto* a = reinterpret_cast<const long*>(data);
        const int left = std::max(first.x, static_cast<int>(a[0])), top = std::max(first.y, static_cast<int>(a[1]));
        const int right = std::min(first.x + first.width, static_cast<int>(a[0] + a[2]));
        const int bottom = std::min(first.y + first.height, static_cast<int>(a[1] + a[3]));
        if (right > left && bottom > top) first = Rect{left, top, right - left, bottom - top};
    }
    if (data != nullptr) XFree(data);
    return first;
}

// Sets a window property of atoms by their names.
void setAtoms(::Display* x, Window w, const char* property, std::initializer_list<const char*> names) {
    std::vector<Atom> atoms;
    for (const char* n : names) atoms.push_back(XInternAtom(x, n, False));
    XChangeProperty(x, w, XInternAtom(x, property, False), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(atoms.data()), static_cast<int>(atoms.size()));
}

// The program's name and class, and where it asked to be, not where a window manager would put it.
void nameWindow(::Display* x, Window w, const Rect& place) {
    XStoreName(x, w, "Pellwick");
    XClassHint hint{const_cast<char*>("pellwick"), const_cast<char*>("Pellwick")};
    XSetClassHint(x, w, &hint);
    XSizeHints size{};
    size.flags = USPosition | USSize;
    size.x = place.x;
    size.y = place.y;
    size.width = place.width;
    size.height = place.height;
    XSetWMNormalHints(x, w, &size);
}

// The icon, as _NET_WM_ICON wants it: width, height, then ARGB pixels, one a long.
void setIcon(::Display* x, Window w) {
    const Field icon = drawIcon(32);
    std::vector<long> data = {icon.width(), icon.height()};
    for (int i = 0; i < icon.width() * icon.height(); ++i) {
        const auto c = static_cast<std::uint32_t>(icon.pixels()[i]);
        data.push_back(static_cast<long>(0xFF000000U | (c & 0xFFU) << 16U | (c & 0xFF00U) | (c >> 16U & 0xFFU)));
    }
    XChangeProperty(x, w, XInternAtom(x, "_NET_WM_ICON", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
}

// The program's own window: no border or title bar (Motif's hint, which window managers honour), its
// clicks, keys and closing its own.
Window ownWindow(X11Host& h, const Rect& place) {
    XSetWindowAttributes a{};
    a.event_mask = StructureNotifyMask | ExposureMask | VisibilityChangeMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask;
    const Window w = XCreateWindow(h.x, DefaultRootWindow(h.x), place.x, place.y, static_cast<unsigned>(place.width),
                                   static_cast<unsigned>(place.height), 0, CopyFromParent, InputOutput, CopyFromParent, CWEventMask, &a);
    nameWindow(h.x, w, place);
    const long noDecorations[5] = {2, 0, 0, 0, 0};  // flags: decorations; decorations: none
    const Atom motif = XInternAtom(h.x, "_MOTIF_WM_HINTS", False);
    XChangeProperty(h.x, w, motif, motif, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(noDecorations), 5);
    XSetWMProtocols(h.x, w, &h.deleteWindow, 1);
    setIcon(h.x, w);
    XMapRaised(h.x, w);
    return w;
}

// A saver's window over its place, above every other, with no pointer shown.
Window coverWindow(X11Host& h, const Rect& place) {
    XSetWindowAttributes a{};
    a.override_redirect = True;
    a.cursor = h.blank;
    a.event_mask = StructureNotifyMask | ExposureMask | VisibilityChangeMask | KeyPressMask | ButtonPressMask | PointerMotionMask;
    const Window w = XCreateWindow(h.x, DefaultRootWindow(h.x), place.x, place.y, static_cast<unsigned>(place.width),
                                   static_cast<unsigned>(place.height), 0, CopyFromParent, InputOutput, CopyFromParent,
                                   CWOverrideRedirect | CWCursor | CWEventMask, &a);
    nameWindow(h.x, w, place);
    XMapRaised(h.x, w);
    return w;
}

// A wallpaper's window of the desktop's type, which window managers keep below every other window, on
// every workspace and out of taskbars and pagers. It takes no input anywhere: clicks reach the desktop.
Window desktopWindow(::Display* x, const Rect& place) {
    XSetWindowAttributes a{};
    a.event_mask = StructureNotifyMask | ExposureMask | VisibilityChangeMask;
    const Window w = XCreateWindow(x, DefaultRootWindow(x), place.x, place.y, static_cast<unsigned>(place.width),
                                   static_cast<unsigned>(place.height), 0, CopyFromParent, InputOutput, CopyFromParent, CWEventMask, &a);
    nameWindow(x, w, place);
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

Window X11Host::openWindow(const Rect& place) {
    if (launch.mode == Launch::Mode::Wallpaper) return desktopWindow(x, place);
    if (launch.mode == Launch::Mode::FullScreenSaver) return coverWindow(*this, place);
    return ownWindow(*this, place);
}

// Our windows follow the places the run asks for on the monitors there are now: the panes whose place is
// gone go, and each new place gets a window.
void X11Host::followMonitors() {
    const std::vector<Rect> places =
        games->placesFor(launch.mode == Launch::Mode::OwnWindow ? std::vector<Rect>{usableArea(x)} : monitors(x));
    for (std::size_t i = panes.size(); i-- > 0;) {
        if (std::find(places.begin(), places.end(), panes[i]->place) == places.end()) drop(panes[i].get());
    }
    for (const Rect& place : places) {
        if (std::none_of(panes.begin(), panes.end(), [&](const auto& p) { return p->place == place; })) addPane(openWindow(place), place);
    }
    keyboardGrabbed = pointerGrabbed = false;  // the window grabbed on may be gone
}

Cursor blankCursor(::Display* x) {
    char none = 0;
    XColor black{};
    const Pixmap p = XCreateBitmapFromData(x, DefaultRootWindow(x), &none, 1, 1);
    const Cursor c = XCreatePixmapCursor(x, p, p, &black, &black, 0, 0);
    XFreePixmap(x, p);
    return c;
}

// Input goes to a saver's windows even while another program has the focus. Another program may hold a
// grab (an open menu, say), and the grab goes with the window it was made on: tried again after every
// round of events until both are ours.
void X11Host::grab() {
    const Window w = panes.front()->window;
    if (!keyboardGrabbed) keyboardGrabbed = XGrabKeyboard(x, w, True, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
    if (!pointerGrabbed) {
        pointerGrabbed = XGrabPointer(x, w, True, ButtonPressMask | PointerMotionMask, GrabModeAsync, GrabModeAsync, None, blank,
                                      CurrentTime) == GrabSuccess;
    }
}

// ---- events ---------------------------------------------------------------------------------------------

// A press of the wheel's buttons (4 to 7) is a scroll, no click.
std::optional<Button> buttonOf(unsigned button) {
    if (button >= 4 && button <= 7) return std::nullopt;
    return button == Button1 ? Button::Left : Button::Other;
}

// Input on a pane as the run takes it: keys, presses counted in a row by their own times, releases, and
// the pointer in root coordinates (one space for every monitor).
void X11Host::handleInput(const XEvent& e, X11Pane& p) {
    const ScreenId id = p.window;
    if (e.type == KeyPress) {
        XKeyEvent key = e.xkey;
        games->input(id, Input::keyDown(XLookupKeysym(&key, 0) == XK_Escape ? Key::Escape : Key::Other));
    } else if (e.type == ButtonPress || e.type == ButtonRelease) {
        const std::optional<Button> b = buttonOf(e.xbutton.button);
        if (!b) return;
        const std::int64_t atUs = static_cast<std::int64_t>(e.xbutton.time) * 1000;
        games->input(id, e.type == ButtonPress ? Input::press(*b, clicks.press(*b, e.xbutton.x_root, e.xbutton.y_root, atUs))
                                               : Input::release(*b, 0));
    } else if (e.type == MotionNotify) {
        games->input(id, Input::mouseMove(e.xmotion.x_root, e.xmotion.y_root));
    } else if (e.type == ClientMessage && static_cast<Atom>(e.xclient.data.l[0]) == deleteWindow) {
        games->input(id, Input::close());
    }
}

// What happened to a pane's window: shown, hidden, uncovered, resized or gone; and its input.
void X11Host::handle(const XEvent& e) {
    X11Pane* p = paneOf(e.xany.window);
    if (p == nullptr) return;
    const ScreenId id = p->window;
    handleInput(e, *p);
    if (e.type == Expose) games->screenExposed(id);
    if (e.type == VisibilityNotify) games->screenSeen(id, e.xvisibility.state != VisibilityFullyObscured);
    if (e.type == UnmapNotify) games->screenSeen(id, false);  // minimised
    if (e.type == MapNotify) games->screenSeen(id, true);
    if (e.type == MapNotify && launch.mode == Launch::Mode::OwnWindow) XSetInputFocus(x, p->window, RevertToParent, CurrentTime);
    if (e.type == DestroyNotify && e.xdestroywindow.window == p->window) {
        p->gone = true;
        if (ownWindows()) return drop(p);
        games->input(id, Input::close());  // someone else's window went: the saver in it ends
    }
    if (e.type == ConfigureNotify && e.xconfigure.window == p->window &&
        (e.xconfigure.width != p->attributes.width || e.xconfigure.height != p->attributes.height)) {
        p->attributes.width = e.xconfigure.width;
        p->attributes.height = e.xconfigure.height;
        games->screenChanged(id, factsOf(*p));
    }
}

// Waits up to waitMs for X events and handles them; over a saver's windows, takes the keyboard and pointer
// until both are ours. A stop signal ends the run.
void X11Host::pumpEvents(int waitMs) {
    XFlush(x);
    pollfd fd{ConnectionNumber(x), POLLIN, 0};
    if (XPending(x) == 0) poll(&fd, 1, waitMs);
    while (XPending(x) > 0) {
        XEvent e;
        XNextEvent(x, &e);
        handle(e);
        if (monitorEvent >= 0 && e.type == monitorEvent) {
            XRRUpdateConfiguration(&e);
            if (launch.mode == Launch::Mode::FullScreenSaver || launch.mode == Launch::Mode::Wallpaper) followMonitors();
        }
    }
    if (stopRequested()) games->close();
    if (blanked) games->desktopBlanked(blanked());
    if (games->endsOnInput() && !panes.empty() && !(keyboardGrabbed && pointerGrabbed)) grab();
}

// ---- starting ---------------------------------------------------------------------------------------------

// Opens the display, with shared memory where it can be had; says why not on stderr when it cannot.
bool openDisplay(X11Host& h) {
    h.x = XOpenDisplay(nullptr);
    if (h.x == nullptr) {
        std::fprintf(stderr, "pellwick: no display to show on: cannot open the X display\n");
        return false;
    }
    XSetErrorHandler(letXErrorGo);
    const std::string why = whyNoSharedMemory(h.x);
    h.shared = why.empty();
    if (!h.shared) std::fprintf(stderr, "pellwick: %s; sending pixels through the connection\n", why.c_str());
    h.deleteWindow = XInternAtom(h.x, "WM_DELETE_WINDOW", False);
    return true;
}

// Listens to someone else's window: "" or what is wrong, with the exit status that goes with it.
std::string attach(X11Host& h, Window& w, int& status) {
    status = 2;
    w = h.launch.window != 0 ? static_cast<Window>(h.launch.window) : DefaultRootWindow(h.x);
    XWindowAttributes a{};
    if (XGetWindowAttributes(h.x, w, &a) == 0) {
        char id[32];
        std::snprintf(id, sizeof id, "0x%lx", static_cast<unsigned long>(w));
        return std::string("no window ") + id + " on this display";
    }
    status = 1;
    if (!trueColour(a.visual, h.format)) return "the window's visual is not 8-bit true colour";
    // Told when the window goes, changes size or is uncovered; and it must still be there once we listen.
    XSelectInput(h.x, w, StructureNotifyMask | ExposureMask | VisibilityChangeMask);
    if (XGetWindowAttributes(h.x, w, &a) == 0) return "the window went away";
    return {};
}

// Our own windows: a saver's pointer start, the monitors followed as they change, and a window on each place.
std::string openOwnWindows(X11Host& h) {
    if (!trueColour(DefaultVisual(h.x, DefaultScreen(h.x)), h.format)) return "the screen's visual is not 8-bit true colour";
    h.blank = blankCursor(h.x);
    ::Window root = 0, child = 0;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned mask = 0;
    if (h.games->endsOnInput() && XQueryPointer(h.x, DefaultRootWindow(h.x), &root, &child, &rootX, &rootY, &winX, &winY, &mask) != False) {
        h.games->pointerStartsAt(0, rootX, rootY);
    }
    if (int event = 0, error = 0; h.launch.mode != Launch::Mode::OwnWindow && XRRQueryExtension(h.x, &event, &error) != False) {
        h.monitorEvent = event + RRScreenChangeNotify;
        XRRSelectInput(h.x, DefaultRootWindow(h.x), RRScreenChangeNotifyMask);
    }
    h.followMonitors();
    return {};
}

}  // namespace

int runX11(const Launch& l, std::uint64_t seed, bool drawnSeed, const DesktopBlanked& blanked) {
    catchStopSignals();
    X11Host h;
    h.launch = l;
    h.blanked = blanked;
    if (!openDisplay(h)) return 1;
    h.games.emplace(l, Platform{"X11"}, seed, drawnSeed, [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); });
    int status = 1;
    Window foreign = 0;
    const std::string err = h.ownWindows() ? openOwnWindows(h) : attach(h, foreign, status);
    if (!err.empty()) {
        std::fprintf(stderr, "pellwick: %s\n", err.c_str());
        return status;
    }
    if (!h.ownWindows()) h.addPane(foreign, Rect{});
    runFrameLoop(h, *h.games);
    if (std::getenv("PELLWICK_FRAME_STATS") != nullptr) std::fprintf(stderr, "%s\n", h.games->stats().line().c_str());
    while (!h.panes.empty()) h.drop(h.panes.back().get());  // the games end before the display closes
    return 0;
}

}  // namespace pellwick
