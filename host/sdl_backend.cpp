// The SDL2 backend: a borderless window over the usable desktop, input handed to the game thread, and the
// field shown 1:1 through a streaming texture at the display's refresh rate.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runner.hpp"
#include "desktop.hpp"
#include "icon.hpp"

namespace pellwick {

namespace {

constexpr int kDefaultRefreshHz = 60;
constexpr std::int64_t kFrameWaitUs = 20'000;

struct Screen {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int textureWidth = 0;
    int textureHeight = 0;

    ~Screen() {
        if (texture != nullptr) SDL_DestroyTexture(texture);
        if (renderer != nullptr) SDL_DestroyRenderer(renderer);
        if (window != nullptr) SDL_DestroyWindow(window);
    }

    // Shows a copy of the field 1:1 through a texture in the field's own packing (0x00BBGGRR), uploading
    // only the rows of tiles that changed.
    void show(const Frame& f) {
        const bool fresh = texture == nullptr || f.width != textureWidth || f.height != textureHeight;
        if (fresh) {
            if (texture != nullptr) SDL_DestroyTexture(texture);
            texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_XBGR8888, SDL_TEXTUREACCESS_STREAMING, f.width,
                                        f.height);
            textureWidth = f.width;
            textureHeight = f.height;
            if (texture == nullptr) return;
        }
        const int pitch = f.width * static_cast<int>(sizeof(Colour));
        if (fresh) SDL_UpdateTexture(texture, nullptr, f.pixels, pitch);
        for (std::size_t ty = 0; !fresh && ty < f.changed.size(); ++ty) {
            const Span s = f.changed[ty];
            if (s.x0 >= s.x1) continue;
            const int top = static_cast<int>(ty) * f.tileSize;
            const SDL_Rect band{s.x0, top, s.x1 - s.x0, std::min(f.tileSize, f.height - top)};
            SDL_UpdateTexture(texture, &band, f.pixels + static_cast<std::size_t>(top) * f.width + s.x0, pitch);
        }
        const SDL_Rect area{0, 0, f.width, f.height};
        SDL_RenderClear(renderer);
        SDL_RenderCopy(renderer, texture, nullptr, &area);
        SDL_RenderPresent(renderer);
    }
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

std::int64_t framePeriodUs(SDL_Window* window) {
    SDL_DisplayMode mode{};
    const int index = SDL_GetWindowDisplayIndex(window);
    const int hz = (SDL_GetCurrentDisplayMode(index < 0 ? 0 : index, &mode) == 0 && mode.refresh_rate > 0)
                       ? mode.refresh_rate
                       : kDefaultRefreshHz;
    return 1'000'000 / hz;
}

void dispatch(const SDL_Event& e, AppRunner& runner) {
    switch (e.type) {
        case SDL_QUIT:
            runner.post({Input::Kind::Close});
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (e.button.button == SDL_BUTTON_LEFT && e.button.clicks >= 2) runner.post({Input::Kind::DoubleClick});
            break;
        case SDL_MOUSEBUTTONUP:
            if (e.button.button == SDL_BUTTON_LEFT && e.button.clicks == 1) runner.post({Input::Kind::Click});
            break;
        case SDL_KEYDOWN:
            if (e.key.keysym.sym == SDLK_ESCAPE) runner.post({Input::Kind::Key, kEscape});
            break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) runner.post({Input::Kind::Close});
            if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                runner.post({Input::Kind::Resize, e.window.data1, e.window.data2});
            }
            break;
        default:
            break;
    }
}

// The display thread: input goes to the game thread at once; a frame is shown at the display's rate.
bool run(Screen& screen) {
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(screen.window, &width, &height);
    AppRunner runner(width, height);  // before the display thread lowers its priority
    if (!openRenderer(screen)) return false;
    Cadence frames(framePeriodUs(screen.window));
    SDL_Event e;
    while (runner.running()) {
        const auto waitMs = static_cast<int>((frames.until(nowUs()) + 999) / 1000);
        if (SDL_WaitEventTimeout(&e, waitMs) != 0) {
            dispatch(e, runner);
            while (SDL_PollEvent(&e) != 0) dispatch(e, runner);
        }
        if (!frames.due(nowUs())) continue;
        frames.start(nowUs());
        runner.frame(kFrameWaitUs, [&screen](const Frame& f) { screen.show(f); });
    }
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
