// The SDL2 backend: a borderless window over the usable desktop, input handed to the game thread, and the
// field shown 1:1 through a streaming texture at the display's refresh rate.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/frame_loop.hpp"
#include "app/icon.hpp"
#include "hosts/desktop.hpp"

namespace pellwick {

namespace {

struct Screen final : Display {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int textureWidth = 0;
    int textureHeight = 0;

    ~Screen() override {
        if (texture != nullptr) SDL_DestroyTexture(texture);
        if (renderer != nullptr) SDL_DestroyRenderer(renderer);
        if (window != nullptr) SDL_DestroyWindow(window);
    }

    // Shows a copy of the field 1:1 through a texture in the field's own packing (0x00BBGGRR), uploading
    // only the bands that changed.
    void present(const Frame& f) override {
        if (texture == nullptr || f.width != textureWidth || f.height != textureHeight) {
            if (texture != nullptr) SDL_DestroyTexture(texture);
            texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_XBGR8888, SDL_TEXTUREACCESS_STREAMING, f.width,
                                        f.height);
            textureWidth = f.width;
            textureHeight = f.height;
            if (texture == nullptr) return;
        }
        const int pitch = f.width * static_cast<int>(sizeof(Colour));
        f.forEachChange([&](const Band& b) {
            const SDL_Rect rect{b.x, b.y, b.width, b.height};
            SDL_UpdateTexture(texture, &rect, f.pixels + static_cast<std::size_t>(b.y) * f.width + b.x, pitch);
        });
        const SDL_Rect area{0, 0, f.width, f.height};
        SDL_RenderClear(renderer);
        SDL_RenderCopy(renderer, texture, nullptr, &area);
        SDL_RenderPresent(renderer);
    }

    void pumpEvents(int waitMs, AppRunner& runner) override;
};

void setIcon(SDL_Window* window) {
    Field icon = drawIcon(32);
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<Colour*>(icon.pixels()), icon.width(),
                                                        icon.height(), 32, icon.width() * 4,
                                                        SDL_PIXELFORMAT_XBGR8888);
    if (s == nullptr) return;
    SDL_SetWindowIcon(window, s);
    SDL_FreeSurface(s);
}

bool openWindow(Screen& screen) {
    SDL_Rect area{0, 0, 640, 480};
    if (SDL_GetDisplayUsableBounds(0, &area) != 0) SDL_GetDisplayBounds(0, &area);
    screen.window = SDL_CreateWindow("Pellwick", area.x, area.y, area.w, area.h, SDL_WINDOW_BORDERLESS);
    if (screen.window == nullptr) return false;
    setIcon(screen.window);
    return true;
}

// The display thread, and any helper threads its renderer starts, run at low priority: when cores are
// short, the game thread's ticks come first and a frame can wait.
bool openRenderer(Screen& screen) {
    SDL_SetThreadPriority(SDL_THREAD_PRIORITY_LOW);
    screen.renderer = SDL_CreateRenderer(screen.window, -1, 0);  // no vsync: we pace frames ourselves
    return screen.renderer != nullptr;
}

int refreshRate(SDL_Window* window) {
    SDL_DisplayMode mode{};
    const int index = SDL_GetWindowDisplayIndex(window);
    return SDL_GetCurrentDisplayMode(index < 0 ? 0 : index, &mode) == 0 ? mode.refresh_rate : 0;
}

// One SDL event as the app core's input, if it is one.
void translate(const SDL_Event& e, AppRunner& runner) {
    switch (e.type) {
        case SDL_QUIT:
            runner.post(Input::close());
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (e.button.button == SDL_BUTTON_LEFT && e.button.clicks >= 2) runner.post(Input::doubleClick());
            break;
        case SDL_MOUSEBUTTONUP:
            if (e.button.button == SDL_BUTTON_LEFT && e.button.clicks == 1) runner.post(Input::click());
            break;
        case SDL_KEYDOWN:
            runner.post(Input::keyDown(e.key.keysym.sym == SDLK_ESCAPE ? Key::Escape : Key::Other));
            break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) runner.post(Input::close());
            if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                runner.post(Input::resize(e.window.data1, e.window.data2));
            }
            break;
        default:
            break;
    }
}

void Screen::pumpEvents(int waitMs, AppRunner& runner) {
    SDL_Event e;
    if (SDL_WaitEventTimeout(&e, waitMs) == 0) return;
    translate(e, runner);
    while (SDL_PollEvent(&e) != 0) translate(e, runner);
}

// Input goes to the game thread at once; a frame is shown at the display's rate.
bool run(Screen& screen) {
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(screen.window, &width, &height);
    AppRunner runner(width, height);  // before the display thread lowers its priority
    if (!openRenderer(screen)) return false;
    runFrameLoop(runner, screen, framePeriodUs(refreshRate(screen.window)));
    return true;
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

int runDesktop() {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "pellwick: cannot start the display: %s\n", SDL_GetError());
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
        Screen screen;
        if (!openWindow(screen) || !run(screen)) {
            std::fprintf(stderr, "pellwick: cannot open the window: %s\n", SDL_GetError());
            status = 1;
        }
    }
    SDL_Quit();
    return status;
}

}  // namespace pellwick
