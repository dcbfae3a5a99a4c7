// The SDL2 backend on X11: a borderless window over the usable desktop, input handed to the game thread, and at
// the display's refresh rate the changed rectangles of the field put on the screen. On X11 the X server
// reads them where the field keeps them (in the window's format, in shared memory); else the game thread
// draws them into the window's surface, or where no window surface can be had, into a streaming texture
// through SDL's renderer.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "app/frame_loop.hpp"
#include "app/icon.hpp"
#include "hosts/desktop.hpp"
#include "hosts/power.hpp"

// Last: Xlib (which these bring in) defines macros (None, Bool, Status...) that would reach into the headers
// above.
#include <SDL_syswm.h>
#include <X11/Xproto.h>

#include "hosts/x11_image.hpp"

namespace pellwick {

namespace {

// The fallback: the frame uploaded to a texture and drawn by SDL's renderer, whatever that costs.
struct Textured {
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int width = 0;
    int height = 0;

    ~Textured() {
        if (texture != nullptr) SDL_DestroyTexture(texture);
        if (renderer != nullptr) SDL_DestroyRenderer(renderer);
    }

    // Uploads the rectangles of the pixels (the field's packing, `width` a row) and draws the texture.
    void present(const std::uint32_t* pixels, int w, int h, const std::vector<Rect>& rects) {
        if (texture == nullptr || w != width || h != height) {
            if (texture != nullptr) SDL_DestroyTexture(texture);
            texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_XBGR8888, SDL_TEXTUREACCESS_STREAMING, w, h);
            width = w;
            height = h;
            if (texture == nullptr) return;
        }
        for (const Rect& r : rects) {
            const SDL_Rect rect{r.x, r.y, r.width, r.height};
            SDL_UpdateTexture(texture, &rect, pixels + static_cast<std::size_t>(r.y) * w + r.x, w * 4);
        }
        const SDL_Rect area{0, 0, w, h};
        SDL_RenderClear(renderer);
        SDL_RenderCopy(renderer, texture, nullptr, &area);
        SDL_RenderPresent(renderer);
    }
};

// The window on X11, shown from the field's own memory through SDL's connection.
struct FieldOnX11 {
    ::Display* x = nullptr;
    Window window = 0;
    XWindowAttributes attributes{};
    GC gc = nullptr;
    PixelFormat format = XRGB;
    bool shared = false;  // MIT-SHM can be had
    WindowImage image;
    int zoom = 1;  // the server enlarges the field this many times

    ~FieldOnX11() {
        image.release();
        if (gc != nullptr) XFreeGC(x, gc);
    }

    /// Shows the frame; false when the server could not enlarge it, and nothing was shown.
    bool present(const Frame& f) {
        if (zoom == 1) {
            image.showField(x, attributes, window, gc, f);
            return true;
        }
        return image.showFieldZoomed(x, attributes, window, f, zoom);
    }
};

// The X11 side of SDL's window, when there is one whose pixels the field can keep, and which the server
// can enlarge by the zoom where it is more than 1.
std::unique_ptr<FieldOnX11> fieldOnX11(SDL_Window* window, int zoom) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return nullptr;
    auto out = std::make_unique<FieldOnX11>();
    out->x = info.info.x11.display;
    out->window = info.info.x11.window;
    if (XGetWindowAttributes(out->x, out->window, &out->attributes) == 0) return nullptr;
    // SDL may give its window a DirectColor visual, with a colormap it keeps as the identity (its own
    // surface takes the pixels as they are): the channel masks say all.
    const Visual* v = out->attributes.visual;
    const bool direct = v->c_class == TrueColor || v->c_class == DirectColor;
    if (!direct || !formatFromMasks(static_cast<std::uint32_t>(v->red_mask), static_cast<std::uint32_t>(v->green_mask),
                                    static_cast<std::uint32_t>(v->blue_mask), out->format) ||
        !keepsColourBits(out->format)) {
        return nullptr;
    }
    out->shared = whyNoSharedMemory(out->x).empty();
    if (zoom > 1 && !(out->shared && serverEnlarges(out->x))) return nullptr;
    out->gc = XCreateGC(out->x, out->window, 0, nullptr);
    out->zoom = zoom;
    return out;
}

struct SdlWindow final : Display, Screen {
    SDL_Window* window = nullptr;
    std::unique_ptr<FieldOnX11> x11;  // on X11: the field shown where it lies
    SDL_Surface* surface = nullptr;  // the window's own; fetched again after a resize
    bool surfaceStale = true;
    bool direct = false;   // the game draws straight into the window's surface
    PixelFormat format = XRGB;
    std::unique_ptr<Textured> textured;  // when no window surface can be had
    std::vector<std::uint32_t> own;      // otherwise the canvas, in the field's packing
    int ownWidth = 0;
    int ownHeight = 0;
    std::vector<SDL_Rect> sdlRects;
    AppRunner* game = nullptr;
    int zoom = 1;  // device pixels a field pixel takes on each side

    SdlWindow() : Screen(FramePacer::everyUs(framePeriodUs(DEFAULT_REFRESH_HZ))) {}
    ~SdlWindow() override {
        x11.reset();
        textured.reset();
        if (window != nullptr) SDL_DestroyWindow(window);
    }

    AppRunner* runner() override { return game; }
    Canvas canvas(int width, int height) override;
    void present(const Frame& f) override;
    void pumpEvents(int waitMs) override;
    void forEachScreen(const std::function<void(Screen&)>& f) override { f(*this); }
    bool goesOn() override { return game->running(); }
    bool onBattery() override { return onBatteryPower(); }

private:
    bool fetchSurface();
    void fallBackToRenderer();
    void blitOwn(const std::vector<Rect>& rects);
    void translate(const SDL_Event& e, AppRunner& runner);
};

bool SdlWindow::fetchSurface() {
    surfaceStale = false;
    surface = SDL_GetWindowSurface(window);
    if (surface == nullptr) return false;
    const SDL_PixelFormat* pf = surface->format;
    // Drawn into straight from the game thread when its pixels are plain 32-bit ones; else SDL converts.
    direct = pf->BytesPerPixel == 4 && !SDL_MUSTLOCK(surface) && formatFromMasks(pf->Rmask, pf->Gmask, pf->Bmask, format);
    return true;
}

void SdlWindow::fallBackToRenderer() {
    std::fprintf(stderr, "pellwick: no window surface (%s); drawing through SDL's renderer instead\n", SDL_GetError());
    direct = false;
    textured = std::make_unique<Textured>();
    textured->renderer = SDL_CreateRenderer(window, -1, 0);  // no vsync: frames are paced by the frame loop
    if (textured->renderer == nullptr) std::fprintf(stderr, "pellwick: no renderer either: %s\n", SDL_GetError());
}

Canvas SdlWindow::canvas(int width, int height) {
    if (x11) return Canvas::theField(width, height);
    if (!textured && surfaceStale && !fetchSurface()) fallBackToRenderer();
    const int w = width * zoom, h = height * zoom;  // the surface's top-left part, at the zoom
    if (direct) return Canvas{static_cast<std::uint32_t*>(surface->pixels), w, h, surface->pitch / 4, format, false, zoom};
    if (w != ownWidth || h != ownHeight) {
        own.assign(static_cast<std::size_t>(w) * h, 0);
        ownWidth = w;
        ownHeight = h;
    }
    return Canvas{own.data(), w, h, w, FIELD_ORDER, false, zoom};
}

// Puts the rectangles of our own canvas on the window's surface, SDL converting the pixels.
void SdlWindow::blitOwn(const std::vector<Rect>& rects) {
    SDL_Surface* from = SDL_CreateRGBSurfaceWithFormatFrom(own.data(), ownWidth, ownHeight, 32, ownWidth * 4, SDL_PIXELFORMAT_XBGR8888);
    if (from == nullptr) return;
    for (const Rect& r : rects) {
        SDL_Rect source{r.x, r.y, r.width, r.height}, target = source;
        SDL_BlitSurface(from, &source, surface, &target);
    }
    SDL_FreeSurface(from);
}

// Shows the frame's rectangles; a frame with nothing to show costs nothing.
void SdlWindow::present(const Frame& f) {
    if (f.rects.empty()) return;
    if (x11 && x11->present(f)) return;
    if (x11) {  // the server could not enlarge the field: our own canvas from the next frame on
        x11.reset();
        game->screenLost();
        return;
    }
    if (textured) {
        if (textured->renderer != nullptr) textured->present(own.data(), ownWidth, ownHeight, f.rects);
        return;
    }
    if (!direct) blitOwn(f.rects);
    sdlRects.clear();
    for (const Rect& r : f.rects) sdlRects.push_back(SDL_Rect{r.x, r.y, r.width, r.height});
    SDL_UpdateWindowSurfaceRects(window, sdlRects.data(), static_cast<int>(sdlRects.size()));  // waits for the server
}

void setIcon(SDL_Window* window) {
    Field icon = drawIcon(32);
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<Colour*>(icon.pixels()), icon.width(),
                                                        icon.height(), 32, icon.width() * 4,
                                                        SDL_PIXELFORMAT_XBGR8888);
    if (s == nullptr) return;
    SDL_SetWindowIcon(window, s);
    SDL_FreeSurface(s);
}

// The desktop's own scale, where the window is on X11; else 1.
int desktopScaleOf(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return 1;
    return desktopScale(info.info.x11.display);
}

// The window over the usable desktop, at the zoom the setting asks for; on X11 the server reads the field
// where it lies, and enlarges it itself at a zoom.
bool openWindow(SdlWindow& screen, int zoomSetting) {
    SDL_Rect area{0, 0, 640, 480};
    if (SDL_GetDisplayUsableBounds(0, &area) != 0) SDL_GetDisplayBounds(0, &area);
    screen.window = SDL_CreateWindow("Pellwick", area.x, area.y, area.w, area.h, SDL_WINDOW_BORDERLESS);
    if (screen.window == nullptr) return false;
    setIcon(screen.window);
    screen.zoom = zoomFor(zoomSetting, desktopScaleOf(screen.window));
    screen.x11 = fieldOnX11(screen.window, screen.zoom);
    return true;
}

int refreshRate(SDL_Window* window) {
    SDL_DisplayMode mode{};
    const int index = SDL_GetWindowDisplayIndex(window);
    return SDL_GetCurrentDisplayMode(index < 0 ? 0 : index, &mode) == 0 ? mode.refresh_rate : 0;
}

// One SDL event as the app core's input, if it is one; a new size or an uncovered window is the screen's.
void SdlWindow::translate(const SDL_Event& e, AppRunner& runner) {
    switch (e.type) {
        case SDL_QUIT:
            runner.post(Input::close());
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            const Button b = e.button.button == SDL_BUTTON_LEFT ? Button::Left : Button::Other;
            runner.post(e.type == SDL_MOUSEBUTTONDOWN ? Input::press(b, e.button.clicks) : Input::release(b, e.button.clicks));
            break;
        }
        case SDL_KEYDOWN:
            runner.post(Input::keyDown(e.key.keysym.sym == SDLK_ESCAPE ? Key::Escape : Key::Other));
            break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) runner.post(Input::close());
            if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                surfaceStale = true;  // and the new surface holds nothing yet
                runner.screenLost();
                runner.post(Input::resize(fieldSide(e.window.data1, zoom), fieldSide(e.window.data2, zoom)));
            }
            if (e.window.event == SDL_WINDOWEVENT_EXPOSED) runner.screenLost();
            if (e.window.event == SDL_WINDOWEVENT_MINIMIZED || e.window.event == SDL_WINDOWEVENT_HIDDEN) shown = false;
            if (!shown && (e.window.event == SDL_WINDOWEVENT_RESTORED || e.window.event == SDL_WINDOWEVENT_SHOWN ||
                           e.window.event == SDL_WINDOWEVENT_EXPOSED)) {
                shown = true;
                runner.screenLost();
            }
            break;
        default:
            break;
    }
}

void SdlWindow::pumpEvents(int waitMs) {
    SDL_Event e;
    if (SDL_WaitEventTimeout(&e, waitMs) == 0) return;
    translate(e, *game);
    while (SDL_PollEvent(&e) != 0) translate(e, *game);
}

// Input goes to the game thread at once; a frame is shown at the display's rate. Both threads keep the
// usual priority, so Escape is answered at once even while other programs keep the cores busy.
void run(SdlWindow& screen, const Launch& l, std::uint64_t seed) {
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(screen.window, &width, &height);
    width = fieldSide(width, screen.zoom);
    height = fieldSide(height, screen.zoom);
    AppSettings settings = l.appSettings(WHITE, seed);
    if (screen.x11) {
        settings.pixelFormat = screen.x11->format;
        settings.sharedPixels = screen.x11->shared;
    }
    AppRunner runner(width, height, settings);
    screen.game = &runner;
    screen.pacer = FramePacer::everyUs(framePeriodUs(refreshRate(screen.window)));
    runFrameLoop(screen, l.settings);
    screen.game = nullptr;
}

// SDL wakes its own event wait by sending an X event to its window, and at the program's end that window
// may already be gone; Xlib's default handler would make the clean end exit with status 1. That one error
// is let go; every other still reaches the default handler.
XErrorHandler xlibDefault = nullptr;
int letWakeupOfAGoneWindowGo(::Display* x, XErrorEvent* e) {
    if (e->error_code == BadWindow && e->request_code == X_SendEvent) return 0;
    return xlibDefault(x, e);
}

// Whether SDL found a display a window can be seen on. Without one it falls back to drivers that draw
// nowhere, and the program would run on unseen; they count only when the user asked for them by name.
bool showsWindows() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr) return false;
    const bool unseen = std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
    return !unseen || std::getenv("SDL_VIDEODRIVER") != nullptr;
}

}  // namespace

int runDesktop(const Launch& l, std::uint64_t seed) {
    xlibDefault = XSetErrorHandler(letWakeupOfAGoneWindowGo);
    // The window's surface in plain memory (shared with the X server), not a renderer's texture behind it.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // A toy left running for hours lets the screen blank and sleep; SDL would hold the system's saver off.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    // X11 only: Wayland has a host of its own, and SDL 2.26's Wayland backend crashed on Escape there.
    if (std::getenv("SDL_VIDEODRIVER") == nullptr) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "pellwick: no display to show the window on (%s)\n", SDL_GetError());
        return 1;
    }
    if (!showsWindows()) {
        std::fprintf(stderr, "pellwick: no display to show the window on (SDL chose the \"%s\" video driver)\n",
                     SDL_GetCurrentVideoDriver());
        SDL_Quit();
        return 1;
    }
    int status = 0;
    {
        SdlWindow screen;
        if (openWindow(screen, l.settings.zoom)) {
            run(screen, l, seed);
        } else {
            std::fprintf(stderr, "pellwick: cannot open the window: %s\n", SDL_GetError());
            status = 1;
        }
    }
    SDL_Quit();
    return status;
}

}  // namespace pellwick
