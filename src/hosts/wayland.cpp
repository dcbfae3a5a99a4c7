// The Wayland host, with libwayland-client and no GL: the program's window, a saver with one full-screen
// surface per output, or a wallpaper with one background-layer surface per output (wlroots' layer shell).
// It tells the run what happens to its surfaces, the compositor's frame callbacks and the input; each
// surface's game draws the changed rectangles into one of a few shared-memory buffers, and only those are
// damaged. Every buffer holds one field pixel per device pixel, or a square of them at a zoom.
#include <linux/input-event-codes.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <fractional-scale-v1-client-protocol.h>
#include <viewporter-client-protocol.h>
#include <wayland-client.h>
// The layer shell names an argument "namespace", which C++ takes for its keyword.
#define namespace layer_namespace
#include <wlr-layer-shell-unstable-v1-client-protocol.h>
#undef namespace
#include <xdg-decoration-unstable-v1-client-protocol.h>
#include <xdg-shell-client-protocol.h>
#include <xkbcommon/xkbcommon.h>

#include "app/clicks.hpp"
#include "app/screens.hpp"
#include "hosts/desktop.hpp"
#include "hosts/power.hpp"
#include "hosts/stop_signal.hpp"

namespace pellwick {

namespace {

// One shown, one waiting for release, one drawn into; no more than the frame drawer remembers, or every
// frame would be drawn and sent whole.
constexpr std::size_t MOST_BUFFERS = 3;
static_assert(MOST_BUFFERS <= FrameDrawer::KNOWN_CANVASES);
// wlroots damages the bounding box of more than 20 rectangles (this frame's with those of the frames its
// buffer missed): a frame damages at most 18, on 9 bands' fixed edges, so that two frames' stay within it.
// Rectangles side by side cost sway 1.7 more a pixel than whole rows, so a band's run is split only where
// that spares at least a quarter of the bands' bounds (docs/performance.md).
constexpr std::size_t DAMAGE_BANDS = 9;
constexpr std::size_t DAMAGE_RECTS = 18;
constexpr std::int64_t SPLIT_PAYS_PER_4 = 3;  // split runs may cover at most 3/4 of the bounds
constexpr int WINDOW_WIDTH = 599;               // a window the compositor lets us size ourselves
constexpr int WINDOW_HEIGHT = 459;

struct Host;

// The keyboard's keymap as the compositor sends it, so that a key is told by its symbol: a virtual
// keyboard or a remote desktop may number its keys its own way.
class Keymap {
public:
    Keymap() : context_(xkb_context_new(XKB_CONTEXT_NO_FLAGS)) {}
    ~Keymap() {
        forget();
        if (context_ != nullptr) xkb_context_unref(context_);
    }
    Keymap(const Keymap&) = delete;
    Keymap& operator=(const Keymap&) = delete;

    /// Takes the keymap in fd (size bytes of XKB text); a keymap it cannot read leaves keys told by code.
    void load(std::uint32_t format, int fd, std::uint32_t size) {
        forget();
        if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 || context_ == nullptr || size == 0) return;
        void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (text == MAP_FAILED) return;
        const auto* chars = static_cast<const char*>(text);
        keymap_ = xkb_keymap_new_from_buffer(context_, chars, strnlen(chars, size), XKB_KEYMAP_FORMAT_TEXT_V1,
                                             XKB_KEYMAP_COMPILE_NO_FLAGS);
        munmap(text, size);
        if (keymap_ != nullptr) state_ = xkb_state_new(keymap_);
    }
    /// Follows the modifiers and the layout group the compositor says are in force.
    void modifiers(std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked, std::uint32_t group) {
        if (state_ != nullptr) xkb_state_update_mask(state_, depressed, latched, locked, 0, 0, group);
    }
    /// The key an evdev code stands for: through the keymap when there is one, else by its code.
    Key keyOf(std::uint32_t code) const {
        if (state_ == nullptr) return code == KEY_ESC ? Key::Escape : Key::Other;
        return xkb_state_key_get_one_sym(state_, code + 8) == XKB_KEY_Escape ? Key::Escape : Key::Other;
    }

private:
    void forget() {
        if (state_ != nullptr) xkb_state_unref(state_);
        if (keymap_ != nullptr) xkb_keymap_unref(keymap_);
        state_ = nullptr;
        keymap_ = nullptr;
    }

    xkb_context* context_;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* state_ = nullptr;
};

struct Output {
    Host* host = nullptr;
    wl_output* output = nullptr;
    std::uint32_t name = 0;
    int scale = 1;
    int width = 0;  // its current mode, in device pixels
    int height = 0;
    bool done = false;  // its first description is complete
};

// One shared-memory buffer of XRGB pixels; the compositor holds it from its commit to its release.
struct Buffer {
    wl_buffer* buffer = nullptr;
    void* memory = MAP_FAILED;
    std::size_t bytes = 0;
    int width = 0;
    int height = 0;
    bool busy = false;

    ~Buffer() {
        if (buffer != nullptr) wl_buffer_destroy(buffer);
        if (memory != MAP_FAILED) munmap(memory, bytes);
    }
};

// One surface the run draws on: the program's window or the saver on one output (toplevels), or the
// wallpaper on one output (a background layer).
struct Surface final : ScreenView {
    Host& host;
    Output* output;  // the saver's or the wallpaper's output; null for the window
    bool started = false;  // the run knows it
    wl_surface* surface = nullptr;
    xdg_surface* xdg = nullptr;
    xdg_toplevel* toplevel = nullptr;
    zxdg_toplevel_decoration_v1* decoration = nullptr;
    zwlr_layer_surface_v1* layer = nullptr;  // the wallpaper's, instead of a toplevel
    bool closed = false;                     // the compositor will show the layer no more
    wp_viewport* viewport = nullptr;
    wp_fractional_scale_v1* fractional = nullptr;
    int logicalWidth = 0;  // as the compositor configures it
    int logicalHeight = 0;
    int configuredWidth = 0;
    int configuredHeight = 0;
    int scale120 = 0;  // the compositor's fractional scale (120ths), where it offers one
    std::vector<Output*> entered;
    std::vector<std::unique_ptr<Buffer>> buffers;
    Buffer* lent = nullptr;  // the canvas of the frame being drawn
    std::vector<Rect> few, bounds;  // the damage of many rectangles, and a band's bounds
    wl_callback* callback = nullptr;
    int zoom = 1;  // device pixels a field pixel takes on each side, as the run last asked

    Surface(Host& h, Output* o) : host(h), output(o) {}
    ~Surface() override;
    ScreenId id() const { return reinterpret_cast<ScreenId>(this); }
    Canvas canvas(int fieldWidth, int fieldHeight, int z) override;
    bool present(const Frame& f) override;
    std::int64_t damaged(const Frame& f) override;
    const std::vector<Rect>& fewDamage(const Frame& f);
    void create();
    void configure(std::uint32_t serial);
    /// Takes the size the compositor gives, in logical pixels; 0 leaves a side to us.
    void resize(int width, int height);
    void rescale();
    /// A position on the surface, in the field's device pixels.
    void toDevice(wl_fixed_t x, wl_fixed_t y, int& deviceX, int& deviceY) const;

private:
    bool takesBufferScale() const {
        return wl_proxy_get_version(reinterpret_cast<wl_proxy*>(surface)) >= WL_SURFACE_SET_BUFFER_SCALE_SINCE_VERSION;
    }
    int scale() const;
    int scale120Now() const;
    void deviceSize(int& width, int& height) const;
    Buffer* newBuffer(int width, int height);
    void makeToplevel();
    void makeLayer();
};

// Everything the connection has: globals, outputs, input devices and surfaces.
struct Host final : Display {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    xdg_wm_base* wm = nullptr;
    zxdg_decoration_manager_v1* decorations = nullptr;
    zwlr_layer_shell_v1* layers = nullptr;
    wp_viewporter* viewporter = nullptr;
    wp_fractional_scale_manager_v1* fractionalScales = nullptr;
    wl_seat* seat = nullptr;
    wl_pointer* pointer = nullptr;
    wl_keyboard* keyboard = nullptr;
    std::vector<std::unique_ptr<Output>> outputs;
    std::vector<std::unique_ptr<Surface>> surfaces;
    bool saver = false;
    bool wallpaper = false;
    std::optional<ScreenGames> games;
    DesktopBlanked blanked;  // an idle watcher's word on the desktop's own blanking or locking
    bool connected = true;
    Surface* pointerFocus = nullptr;
    Surface* keyboardFocus = nullptr;
    int pointerX = 0;  // on the focused surface, in its device pixels
    int pointerY = 0;
    ClickCounter clicks;
    Keymap keys;

    ~Host() override;
    Surface* surfaceOf(wl_surface* s) {
        for (auto& surface : surfaces) {
            if (surface->surface == s) return surface.get();
        }
        return nullptr;
    }
    void addSurface(Output* o);
    void removeOutput(std::uint32_t name);
    // Input on a surface the run knows.
    void post(Surface* s, const Input& in) {
        if (s != nullptr && s->started) games->input(s->id(), in);
    }
    void pumpEvents(int waitMs) override;
    bool onBattery() override { return onBatteryPower(); }
};

// ---- buffers ------------------------------------------------------------------------------------------

void onBufferRelease(void* data, wl_buffer*) { static_cast<Buffer*>(data)->busy = false; }
const wl_buffer_listener bufferListener = {onBufferRelease};

Buffer* Surface::newBuffer(int width, int height) {
    auto b = std::make_unique<Buffer>();
    b->width = width;
    b->height = height;
    b->bytes = static_cast<std::size_t>(width) * height * 4;
    const int fd = memfd_create("pellwick", MFD_CLOEXEC);
    if (fd < 0) return nullptr;
    if (ftruncate(fd, static_cast<off_t>(b->bytes)) == 0) {
        b->memory = mmap(nullptr, b->bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    }
    if (b->memory != MAP_FAILED) {
        wl_shm_pool* pool = wl_shm_create_pool(host.shm, fd, static_cast<std::int32_t>(b->bytes));
        b->buffer = wl_shm_pool_create_buffer(pool, 0, width, height, width * 4, WL_SHM_FORMAT_XRGB8888);
        wl_shm_pool_destroy(pool);
        wl_buffer_add_listener(b->buffer, &bufferListener, b.get());
    }
    close(fd);
    if (b->memory == MAP_FAILED) return nullptr;
    buffers.push_back(std::move(b));
    return buffers.back().get();
}

// A buffer the compositor does not hold, of the size asked for: the last one lent when it is free, so
// that the game draws only what changed. Buffers of another size are dropped once free. With all of them
// held, none: that frame is skipped.
Canvas Surface::canvas(int fieldWidth, int fieldHeight, int z) {
    zoom = z;
    const int width = fieldWidth * zoom, height = fieldHeight * zoom;
    std::erase_if(buffers, [&](const std::unique_ptr<Buffer>& b) {
        return !b->busy && (b->width != width || b->height != height);
    });
    const auto fits = [&](const Buffer* b) { return b != nullptr && !b->busy && b->width == width && b->height == height; };
    if (!std::any_of(buffers.begin(), buffers.end(), [&](auto& b) { return b.get() == lent; }) || !fits(lent)) {
        lent = nullptr;
        for (auto& b : buffers) {
            if (fits(b.get())) lent = b.get();
        }
        if (lent == nullptr && buffers.size() < MOST_BUFFERS) lent = newBuffer(width, height);
    }
    if (lent == nullptr) return Canvas{};
    return Canvas{static_cast<std::uint32_t*>(lent->memory), width, height, width, XRGB, false, zoom};
}

// ---- one surface --------------------------------------------------------------------------------------

void onFrameDone(void* data, wl_callback* cb, std::uint32_t) {
    auto* s = static_cast<Surface*>(data);
    wl_callback_destroy(cb);
    s->callback = nullptr;
    s->host.games->frameCallback(s->id());
}
const wl_callback_listener frameListener = {onFrameDone};

// The outputs' integer scale; 1 where the surface cannot take a buffer scale.
int Surface::scale() const {
    if (!takesBufferScale()) return 1;
    if (output != nullptr) return output->scale;
    int most = 1;
    for (const Output* o : entered) most = std::max(most, o->scale);
    return most;
}

// The scale in 120ths: the compositor's fractional one where it offers it (through the viewport), else the
// outputs' whole one.
int Surface::scale120Now() const { return scale120 > 0 && viewport != nullptr ? scale120 : scale() * SCALE_ONE; }

void Surface::deviceSize(int& width, int& height) const {
    width = deviceSide(logicalWidth, scale120Now());
    height = deviceSide(logicalHeight, scale120Now());
}

void Surface::toDevice(wl_fixed_t x, wl_fixed_t y, int& deviceX, int& deviceY) const {
    const double factor = static_cast<double>(scale120Now()) / SCALE_ONE;
    deviceX = static_cast<int>(std::floor(wl_fixed_to_double(x) * factor));
    deviceY = static_cast<int>(std::floor(wl_fixed_to_double(y) * factor));
}

// Puts the frame's buffer on the surface at the scale its size was made for, damaged where it changed.
bool Surface::present(const Frame& f) {
    if (f.rects.empty() || lent == nullptr) return false;
    int width = 0, height = 0;
    deviceSize(width, height);
    const bool current = f.width == fieldSide(width, zoom) * zoom && f.height == fieldSide(height, zoom) * zoom;
    if (viewport != nullptr) {
        wp_viewport_set_destination(viewport, logicalWidth, logicalHeight);
    } else if (takesBufferScale()) {
        wl_surface_set_buffer_scale(surface, current ? scale() : 1);  // an old size: shown as it is, for a frame
    }
    wl_surface_attach(surface, lent->buffer, 0, 0);
    // Hundreds of small damage rectangles cost a compositor more than the pixels they spare it, or are
    // taken as their bounds: many are damaged as a few.
    const std::vector<Rect>* damage = &f.rects;
    if (f.rects.size() > DAMAGE_RECTS) damage = &fewDamage(f);
    if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(surface)) < WL_SURFACE_DAMAGE_BUFFER_SINCE_VERSION) {
        wl_surface_damage(surface, 0, 0, INT32_MAX, INT32_MAX);  // an old compositor: all of it
    } else {
        for (const Rect& r : *damage) wl_surface_damage_buffer(surface, r.x, r.y, r.width, r.height);
    }
    callback = wl_surface_frame(surface);
    wl_callback_add_listener(callback, &frameListener, this);
    wl_surface_commit(surface);
    lent->busy = true;
    return true;
}

// A few rectangles over the frame's many: each band's bounds, or where it spares much, its runs.
const std::vector<Rect>& Surface::fewDamage(const Frame& f) {
    return fewDamageRects(f.rects, f.height, DAMAGE_BANDS, DAMAGE_RECTS, SPLIT_PAYS_PER_4, bounds, few);
}

// What present damages: a few rectangles over many, the rectangles themselves for a few.
std::int64_t Surface::damaged(const Frame& f) { return areaOf(f.rects.size() > DAMAGE_RECTS ? few : f.rects); }

// The run learns the surface's size in device pixels and its scale: the first time its game starts.
void Surface::rescale() {
    if (logicalWidth <= 0 || logicalHeight <= 0) return;
    ScreenFacts facts{0, 0, scale120Now(), 0, true};
    deviceSize(facts.width, facts.height);
    if (started) return host.games->screenChanged(id(), facts);
    started = true;
    host.games->screenCame(id(), *this, facts);
}

void Surface::configure(std::uint32_t serial) {
    xdg_surface_ack_configure(xdg, serial);
    resize(configuredWidth, configuredHeight);
}

// A size of 0 leaves it to us: the output's for the saver and the wallpaper, the window's own otherwise.
void Surface::resize(int width, int height) {
    if (width <= 0 || height <= 0) {
        width = output != nullptr ? output->width / output->scale : WINDOW_WIDTH;
        height = output != nullptr ? output->height / output->scale : WINDOW_HEIGHT;
    }
    if (started && width == logicalWidth && height == logicalHeight) return;
    logicalWidth = std::max(width, 1);
    logicalHeight = std::max(height, 1);
    rescale();
}

void onXdgConfigure(void* data, xdg_surface*, std::uint32_t serial) { static_cast<Surface*>(data)->configure(serial); }
const xdg_surface_listener xdgSurfaceListener = {onXdgConfigure};

void onToplevelConfigure(void* data, xdg_toplevel*, std::int32_t width, std::int32_t height, wl_array*) {
    auto* s = static_cast<Surface*>(data);
    s->configuredWidth = width;
    s->configuredHeight = height;
}
void onToplevelClose(void* data, xdg_toplevel*) { static_cast<Surface*>(data)->host.post(static_cast<Surface*>(data), Input::close()); }
void onToplevelBounds(void*, xdg_toplevel*, std::int32_t, std::int32_t) {}
void onToplevelCapabilities(void*, xdg_toplevel*, wl_array*) {}
const xdg_toplevel_listener toplevelListener = {onToplevelConfigure, onToplevelClose, onToplevelBounds, onToplevelCapabilities};

void onSurfaceEnter(void* data, wl_surface*, wl_output* o) {
    auto* s = static_cast<Surface*>(data);
    for (auto& out : s->host.outputs) {
        if (out->output == o) s->entered.push_back(out.get());
    }
    s->rescale();
}
void onSurfaceLeave(void* data, wl_surface*, wl_output* o) {
    auto* s = static_cast<Surface*>(data);
    std::erase_if(s->entered, [&](const Output* out) { return out->output == o; });
    if (!s->entered.empty()) s->rescale();
}
const wl_surface_listener surfaceListener = {onSurfaceEnter, onSurfaceLeave};

void onLayerConfigure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t width, std::uint32_t height) {
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    static_cast<Surface*>(data)->resize(static_cast<int>(width), static_cast<int>(height));
}
// The output went, or the user took the layer away: the host drops the surface after this round of events.
void onLayerClosed(void* data, zwlr_layer_surface_v1*) { static_cast<Surface*>(data)->closed = true; }
const zwlr_layer_surface_v1_listener layerListener = {onLayerConfigure, onLayerClosed};

void onPreferredScale(void* data, wp_fractional_scale_v1*, std::uint32_t scale120) {
    auto* s = static_cast<Surface*>(data);
    s->scale120 = static_cast<int>(scale120);
    s->rescale();
}
const wp_fractional_scale_v1_listener fractionalListener = {onPreferredScale};

void Surface::create() {
    surface = wl_compositor_create_surface(host.compositor);
    wl_surface_add_listener(surface, &surfaceListener, this);
    // Every pixel is opaque: nothing behind the surface needs drawing.
    wl_region* all = wl_compositor_create_region(host.compositor);
    wl_region_add(all, 0, 0, INT32_MAX, INT32_MAX);
    wl_surface_set_opaque_region(surface, all);
    wl_region_destroy(all);
    if (host.viewporter != nullptr && host.fractionalScales != nullptr) {
        viewport = wp_viewporter_get_viewport(host.viewporter, surface);
        fractional = wp_fractional_scale_manager_v1_get_fractional_scale(host.fractionalScales, surface);
        wp_fractional_scale_v1_add_listener(fractional, &fractionalListener, this);
    }
    if (host.wallpaper) {
        makeLayer();
    } else {
        makeToplevel();
    }
    wl_surface_commit(surface);  // no buffer yet: asks for the first configure
}

void Surface::makeToplevel() {
    xdg = xdg_wm_base_get_xdg_surface(host.wm, surface);
    xdg_surface_add_listener(xdg, &xdgSurfaceListener, this);
    toplevel = xdg_surface_get_toplevel(xdg);
    xdg_toplevel_add_listener(toplevel, &toplevelListener, this);
    xdg_toplevel_set_title(toplevel, "Pellwick");
    xdg_toplevel_set_app_id(toplevel, "pellwick");
    if (host.decorations != nullptr) {  // borderless: no title bar drawn by the compositor
        decoration = zxdg_decoration_manager_v1_get_toplevel_decoration(host.decorations, toplevel);
        zxdg_toplevel_decoration_v1_set_mode(decoration, ZXDG_TOPLEVEL_DECORATION_V1_MODE_CLIENT_SIDE);
    }
    if (output != nullptr) {
        xdg_toplevel_set_fullscreen(toplevel, output->output);
    } else {
        xdg_toplevel_set_maximized(toplevel);
    }
}

// The output's background, under every window and panel, sized by the compositor to the whole output;
// the pointer and the keyboard go through it to the desktop.
void Surface::makeLayer() {
    layer = zwlr_layer_shell_v1_get_layer_surface(host.layers, surface, output->output, ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND,
                                                  "wallpaper");
    zwlr_layer_surface_v1_add_listener(layer, &layerListener, this);
    zwlr_layer_surface_v1_set_anchor(layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_exclusive_zone(layer, -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(layer, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
    wl_region* none = wl_compositor_create_region(host.compositor);
    wl_surface_set_input_region(surface, none);
    wl_region_destroy(none);
}

Surface::~Surface() {
    if (started) host.games->screenWent(id());  // its game draws into our buffers: it ends first
    if (host.pointerFocus == this) host.pointerFocus = nullptr;
    if (host.keyboardFocus == this) host.keyboardFocus = nullptr;
    if (callback != nullptr) wl_callback_destroy(callback);
    if (decoration != nullptr) zxdg_toplevel_decoration_v1_destroy(decoration);
    if (layer != nullptr) zwlr_layer_surface_v1_destroy(layer);
    if (fractional != nullptr) wp_fractional_scale_v1_destroy(fractional);
    if (viewport != nullptr) wp_viewport_destroy(viewport);
    if (toplevel != nullptr) xdg_toplevel_destroy(toplevel);
    if (xdg != nullptr) xdg_surface_destroy(xdg);
    if (surface != nullptr) wl_surface_destroy(surface);
    buffers.clear();
}

// ---- input --------------------------------------------------------------------------------------------

void onPointerEnter(void* data, wl_pointer* p, std::uint32_t serial, wl_surface* s, wl_fixed_t x, wl_fixed_t y) {
    auto* h = static_cast<Host*>(data);
    h->pointerFocus = h->surfaceOf(s);
    if (h->pointerFocus != nullptr) h->pointerFocus->toDevice(x, y, h->pointerX, h->pointerY);
    if (h->saver) wl_pointer_set_cursor(p, serial, nullptr, 0, 0);  // no pointer over a saver
    h->post(h->pointerFocus, Input::mouseMove(h->pointerX, h->pointerY));
}
void onPointerLeave(void* data, wl_pointer*, std::uint32_t, wl_surface*) { static_cast<Host*>(data)->pointerFocus = nullptr; }
void onPointerMotion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
    auto* h = static_cast<Host*>(data);
    if (h->pointerFocus == nullptr) return;
    h->pointerFocus->toDevice(x, y, h->pointerX, h->pointerY);
    h->post(h->pointerFocus, Input::mouseMove(h->pointerX, h->pointerY));
}
// A press is counted by the event's own time (milliseconds), not by when it was read.
void onPointerButton(void* data, wl_pointer*, std::uint32_t, std::uint32_t timeMs, std::uint32_t button, std::uint32_t state) {
    auto* h = static_cast<Host*>(data);
    const Button b = button == BTN_LEFT ? Button::Left : Button::Other;
    if (state == WL_POINTER_BUTTON_STATE_PRESSED) {
        const std::int64_t atUs = static_cast<std::int64_t>(timeMs) * 1000;
        h->post(h->pointerFocus, Input::press(b, h->clicks.press(b, h->pointerX, h->pointerY, atUs)));
    } else {
        h->post(h->pointerFocus, Input::release(b, 0));
    }
}
void onPointerAxis(void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {}
void onPointerFrame(void*, wl_pointer*) {}
void onPointerAxisSource(void*, wl_pointer*, std::uint32_t) {}
void onPointerAxisStop(void*, wl_pointer*, std::uint32_t, std::uint32_t) {}
void onPointerAxisDiscrete(void*, wl_pointer*, std::uint32_t, std::int32_t) {}
const wl_pointer_listener pointerListener = {onPointerEnter, onPointerLeave, onPointerMotion, onPointerButton,
                                             onPointerAxis, onPointerFrame, onPointerAxisSource, onPointerAxisStop,
                                             onPointerAxisDiscrete, nullptr};

void onKeymap(void* data, wl_keyboard*, std::uint32_t format, std::int32_t fd, std::uint32_t size) {
    static_cast<Host*>(data)->keys.load(format, fd, size);
    close(fd);
}
void onKeyboardEnter(void* data, wl_keyboard*, std::uint32_t, wl_surface* s, wl_array*) {
    auto* h = static_cast<Host*>(data);
    h->keyboardFocus = h->surfaceOf(s);
}
void onKeyboardLeave(void* data, wl_keyboard*, std::uint32_t, wl_surface*) { static_cast<Host*>(data)->keyboardFocus = nullptr; }
void onKey(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key, std::uint32_t state) {
    auto* h = static_cast<Host*>(data);
    if (state != WL_KEYBOARD_KEY_STATE_PRESSED) return;
    h->post(h->keyboardFocus, Input::keyDown(h->keys.keyOf(key)));
}
void onModifiers(void* data, wl_keyboard*, std::uint32_t, std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked,
                 std::uint32_t group) {
    static_cast<Host*>(data)->keys.modifiers(depressed, latched, locked, group);
}
void onRepeatInfo(void*, wl_keyboard*, std::int32_t, std::int32_t) {}
const wl_keyboard_listener keyboardListener = {onKeymap, onKeyboardEnter, onKeyboardLeave, onKey, onModifiers, onRepeatInfo};

// Devices come and go with the seat's capabilities (a virtual keyboard, say): ours follow them.
void onSeatCapabilities(void* data, wl_seat* seat, std::uint32_t caps) {
    auto* h = static_cast<Host*>(data);
    const bool pointer = (caps & WL_SEAT_CAPABILITY_POINTER) != 0, keyboard = (caps & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    if (pointer && h->pointer == nullptr) {
        h->pointer = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(h->pointer, &pointerListener, h);
    }
    if (!pointer && h->pointer != nullptr) {
        wl_pointer_release(h->pointer);
        h->pointer = nullptr;
        h->pointerFocus = nullptr;
    }
    if (keyboard && h->keyboard == nullptr) {
        h->keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(h->keyboard, &keyboardListener, h);
    }
    if (!keyboard && h->keyboard != nullptr) {
        wl_keyboard_release(h->keyboard);
        h->keyboard = nullptr;
        h->keyboardFocus = nullptr;
    }
}
void onSeatName(void*, wl_seat*, const char*) {}
const wl_seat_listener seatListener = {onSeatCapabilities, onSeatName};

// ---- outputs and globals ------------------------------------------------------------------------------

void onOutputGeometry(void*, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                      const char*, const char*, std::int32_t) {}
void onOutputMode(void* data, wl_output*, std::uint32_t flags, std::int32_t width, std::int32_t height, std::int32_t) {
    if ((flags & WL_OUTPUT_MODE_CURRENT) == 0) return;
    static_cast<Output*>(data)->width = width;
    static_cast<Output*>(data)->height = height;
}
void onOutputScale(void* data, wl_output*, std::int32_t factor) { static_cast<Output*>(data)->scale = std::max(factor, 1); }
void onOutputName(void*, wl_output*, const char*) {}
void onOutputDescription(void*, wl_output*, const char*) {}

// An output described in full: a saver covers it when new; any surface on it follows its scale.
void onOutputDone(void* data, wl_output*) {
    auto* o = static_cast<Output*>(data);
    const bool first = !o->done;
    o->done = true;
    Host& h = *o->host;
    if (first && (h.saver || h.wallpaper)) h.addSurface(o);
    for (auto& s : h.surfaces) {
        if (s->output == o || std::find(s->entered.begin(), s->entered.end(), o) != s->entered.end()) s->rescale();
    }
}
const wl_output_listener outputListener = {onOutputGeometry, onOutputMode, onOutputDone, onOutputScale, onOutputName, onOutputDescription};

void onPing(void*, xdg_wm_base* wm, std::uint32_t serial) { xdg_wm_base_pong(wm, serial); }
const xdg_wm_base_listener wmListener = {onPing};

template <typename T>
T* bind(wl_registry* r, std::uint32_t name, const wl_interface& i, std::uint32_t offered, std::uint32_t wanted) {
    return static_cast<T*>(wl_registry_bind(r, name, &i, std::min(offered, wanted)));
}

void onGlobal(void* data, wl_registry* r, std::uint32_t name, const char* interface, std::uint32_t version) {
    auto* h = static_cast<Host*>(data);
    const std::string i = interface;
    if (i == wl_compositor_interface.name) h->compositor = bind<wl_compositor>(r, name, wl_compositor_interface, version, 4);
    if (i == wl_shm_interface.name) h->shm = bind<wl_shm>(r, name, wl_shm_interface, version, 1);
    if (i == xdg_wm_base_interface.name) {
        h->wm = bind<xdg_wm_base>(r, name, xdg_wm_base_interface, version, 3);
        xdg_wm_base_add_listener(h->wm, &wmListener, h);
    }
    if (i == zxdg_decoration_manager_v1_interface.name) {
        h->decorations = bind<zxdg_decoration_manager_v1>(r, name, zxdg_decoration_manager_v1_interface, version, 1);
    }
    if (i == zwlr_layer_shell_v1_interface.name) h->layers = bind<zwlr_layer_shell_v1>(r, name, zwlr_layer_shell_v1_interface, version, 3);
    if (i == wp_viewporter_interface.name) h->viewporter = bind<wp_viewporter>(r, name, wp_viewporter_interface, version, 1);
    if (i == wp_fractional_scale_manager_v1_interface.name) {
        h->fractionalScales = bind<wp_fractional_scale_manager_v1>(r, name, wp_fractional_scale_manager_v1_interface, version, 1);
    }
    if (i == wl_seat_interface.name && h->seat == nullptr) {
        if (version < WL_KEYBOARD_RELEASE_SINCE_VERSION) return;  // devices could not be given back
        h->seat = bind<wl_seat>(r, name, wl_seat_interface, version, 5);
        wl_seat_add_listener(h->seat, &seatListener, h);
    }
    if (i == wl_output_interface.name) {
        auto o = std::make_unique<Output>();
        o->host = h;
        o->name = name;
        o->output = bind<wl_output>(r, name, wl_output_interface, version, 3);
        wl_output_add_listener(o->output, &outputListener, o.get());
        h->outputs.push_back(std::move(o));
    }
}
void onGlobalRemove(void* data, wl_registry*, std::uint32_t name) { static_cast<Host*>(data)->removeOutput(name); }
const wl_registry_listener registryListener = {onGlobal, onGlobalRemove};

void Host::addSurface(Output* o) {
    surfaces.push_back(std::make_unique<Surface>(*this, o));
    surfaces.back()->create();
}

void Host::removeOutput(std::uint32_t name) {
    const auto o = std::find_if(outputs.begin(), outputs.end(), [&](auto& out) { return out->name == name; });
    if (o == outputs.end()) return;
    Output* gone = o->get();
    std::erase_if(surfaces, [&](const std::unique_ptr<Surface>& s) { return s->output == gone; });
    for (auto& s : surfaces) std::erase(s->entered, gone);
    if (wl_output_get_version(gone->output) >= WL_OUTPUT_RELEASE_SINCE_VERSION) {
        wl_output_release(gone->output);
    } else {
        wl_output_destroy(gone->output);
    }
    outputs.erase(o);
}

Host::~Host() {
    surfaces.clear();
    if (pointer != nullptr) wl_pointer_destroy(pointer);
    if (keyboard != nullptr) wl_keyboard_destroy(keyboard);
    if (seat != nullptr) wl_seat_destroy(seat);
    for (auto& o : outputs) wl_output_destroy(o->output);
    if (decorations != nullptr) zxdg_decoration_manager_v1_destroy(decorations);
    if (layers != nullptr && zwlr_layer_shell_v1_get_version(layers) >= ZWLR_LAYER_SHELL_V1_DESTROY_SINCE_VERSION) {
        zwlr_layer_shell_v1_destroy(layers);
    } else if (layers != nullptr) {
        wl_proxy_destroy(reinterpret_cast<wl_proxy*>(layers));
    }
    if (fractionalScales != nullptr) wp_fractional_scale_manager_v1_destroy(fractionalScales);
    if (viewporter != nullptr) wp_viewporter_destroy(viewporter);
    if (wm != nullptr) xdg_wm_base_destroy(wm);
    if (shm != nullptr) wl_shm_destroy(shm);
    if (compositor != nullptr) wl_compositor_destroy(compositor);
    if (registry != nullptr) wl_registry_destroy(registry);
    if (display != nullptr) wl_display_disconnect(display);
}

// ---- the loop -----------------------------------------------------------------------------------------

// Reads the compositor's events, waiting at most waitMs for them; false when the connection is lost.
bool readEvents(wl_display* d, int waitMs) {
    while (wl_display_prepare_read(d) != 0) {
        if (wl_display_dispatch_pending(d) < 0) return false;
    }
    if (wl_display_flush(d) < 0 && errno != EAGAIN) {
        wl_display_cancel_read(d);
        return false;
    }
    pollfd fd{wl_display_get_fd(d), POLLIN, 0};
    if (poll(&fd, 1, waitMs) > 0) {
        if (wl_display_read_events(d) < 0) return false;
    } else {
        wl_display_cancel_read(d);
    }
    return wl_display_dispatch_pending(d) >= 0;
}

// A lost compositor or a stop signal ends the run; a closed layer's surface goes.
void Host::pumpEvents(int waitMs) {
    connected = connected && readEvents(display, waitMs);
    std::erase_if(surfaces, [](const std::unique_ptr<Surface>& s) { return s->closed; });
    if (!connected || stopRequested()) games->close();
    if (blanked) games->desktopBlanked(blanked());
}

// What the compositor lacks that the program cannot do without; "" when it has everything.
std::string missingGlobals(const Host& h) {
    if (h.compositor == nullptr) return "wl_compositor";
    if (h.shm == nullptr) return "wl_shm";
    if (h.wallpaper && h.layers == nullptr) return "zwlr_layer_shell_v1 (the layer shell a wallpaper is drawn with)";
    if (!h.wallpaper && h.wm == nullptr) return "xdg_wm_base";
    return {};
}

}  // namespace

bool waylandAnswers() {
    const char* name = std::getenv("WAYLAND_DISPLAY");  // unset, libwayland would try wayland-0 all the same
    if (name == nullptr || *name == '\0') return false;
    wl_display* d = wl_display_connect(nullptr);
    if (d == nullptr) return false;
    wl_display_disconnect(d);
    return true;
}

int runWayland(const Launch& l, std::uint64_t seed, bool drawnSeed, const DesktopBlanked& blanked) {
    catchStopSignals();
    Host h;
    h.saver = l.mode == Launch::Mode::FullScreenSaver;
    h.wallpaper = l.mode == Launch::Mode::Wallpaper;
    h.blanked = blanked;
    h.games.emplace(l, WAYLAND_PLATFORM, seed, drawnSeed, [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); });
    h.display = wl_display_connect(nullptr);
    if (h.display == nullptr) {
        std::fprintf(stderr, "pellwick: cannot reach a Wayland compositor\n");
        return 1;
    }
    h.registry = wl_display_get_registry(h.display);
    wl_registry_add_listener(h.registry, &registryListener, &h);
    wl_display_roundtrip(h.display);
    if (const std::string missing = missingGlobals(h); !missing.empty()) {
        std::fprintf(stderr, "pellwick: the Wayland compositor offers no %s\n", missing.c_str());
        return 1;
    }
    if (!h.saver && !h.wallpaper) h.addSurface(nullptr);
    wl_display_roundtrip(h.display);  // the outputs described, and a saver's or a wallpaper's surfaces on them
    runFrameLoop(h, *h.games);
    if (std::getenv("PELLWICK_FRAME_STATS") != nullptr) std::fprintf(stderr, "%s\n", h.games->stats().line().c_str());
    if (!h.connected) {
        const int error = wl_display_get_error(h.display);
        std::fprintf(stderr, "pellwick: lost the Wayland compositor (%s)\n", error != 0 ? std::strerror(error) : "it closed the connection");
        return 1;
    }
    return 0;
}

}  // namespace pellwick
