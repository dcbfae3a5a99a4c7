// The web page's host (WebAssembly): the game on the page's one thread, driven by the browser's animation
// frames, each running the ticks that fell due since the last; the field reaches the canvas through
// ImageData, one field pixel per device pixel. The page's events come in through a few listeners.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/app.hpp"
#include "app/frame.hpp"
#include "game/digest.hpp"

namespace pellwick {

namespace {

constexpr int TICK_CAP = 50;  // at most this many ticks in one animation frame: 50 ms of game

// Everything the page runs on; it lives as long as the page.
struct Page {
    std::unique_ptr<App> app;  // made once the canvas has a size
    CatchUp ticks{TICK_PERIOD_US, TICK_CAP};
    std::vector<std::uint32_t> rgba;  // one changed band as ImageData wants it
    bool paused = false;              // for tests
    std::string stateText;            // the last digest handed to a test
};

// Sizes the canvas to the window at one canvas pixel per device pixel (at most `largest` a side), and gives
// that size; a side below one pixel means there is nothing to show a field on.
EM_JS(void, fitCanvas, (int largest, int* width, int* height), {
    const canvas = document.getElementById('canvas');
    const ratio = window.devicePixelRatio || 1;
    const w = Math.min(largest, Math.floor(window.innerWidth * ratio));
    const h = Math.min(largest, Math.floor(window.innerHeight * ratio));
    if (w > 0 && h > 0 && (canvas.width !== w || canvas.height !== h)) {
        canvas.width = w;  // setting it clears the canvas, so only when it changes
        canvas.height = h;
        canvas.style.width = (w / ratio) + 'px';
        canvas.style.height = (h / ratio) + 'px';
    }
    HEAP32[width >> 2] = w;
    HEAP32[height >> 2] = h;
});

// Puts w x h RGBA pixels at (x, y) on the canvas.
EM_JS(void, putBand, (const void* rgba, int x, int y, int w, int h), {
    const canvas = document.getElementById('canvas');
    canvas.pellwickContext = canvas.pellwickContext || canvas.getContext('2d');
    canvas.pellwickContext.putImageData(new ImageData(new Uint8ClampedArray(HEAPU8.buffer, rgba, w * h * 4), w, h), x, y);
});

// The page's one line of text; empty hides it.
EM_JS(void, say, (const char* text), { document.getElementById('status').textContent = UTF8ToString(text); });

// The page's events, handed to the functions below with the page; with ?test in the address, a handle
// for tests as window.pellwick (ticks, state digest, pause).
EM_JS(void, listenToPage, (Page* page), {
    document.getElementById('canvas').addEventListener('click', e => Module._pellwickClick(page, e.detail));
    window.addEventListener('keydown', e => Module._pellwickKey(page, e.key === 'Escape' ? 1 : 0));
    window.addEventListener('resize', () => Module._pellwickResize(page));
    if (location.search.includes('test')) {
        window.pellwick = {
            ticks: () => Module._pellwickTicks(page),
            state: () => UTF8ToString(Module._pellwickState(page)),
            pause: paused => Module._pellwickPause(page, paused ? 1 : 0),
        };
    }
});

// Shows what changed on the field since the last time.
void present(Page& p) {
    Field& f = p.app->field();
    forEachChangedRun(f, [&](const Band& b) {
        p.rgba.resize(static_cast<std::size_t>(b.width) * b.height);
        for (int y = 0; y < b.height; ++y) {
            const Colour* row = f.pixels() + static_cast<std::size_t>(b.y + y) * f.width() + b.x;
            for (int x = 0; x < b.width; ++x) p.rgba[static_cast<std::size_t>(y) * b.width + x] = 0xFF000000U | static_cast<std::uint32_t>(row[x]);
        }
        putBand(p.rgba.data(), b.x, b.y, b.width, b.height);
    });
    f.clearDirty();
}

// Brings the field to the window's size: the first time a game starts, later the overlap is kept.
void fit(Page& p) {
    int w = 0, h = 0;
    fitCanvas(MAX_FIELD_SIDE, &w, &h);
    if (w < 1 || h < 1) {
        const std::string size = std::to_string(w) + " x " + std::to_string(h);
        say(("The window is too small to show the game (" + size + " pixels). Make it larger.").c_str());
        return;
    }
    say("");
    if (p.app == nullptr) {
        p.app = std::make_unique<App>(w, h);
    } else {
        p.app->handle(Input::resize(w, h));
    }
    present(p);
}

EM_BOOL frame(double, void* data) {
    Page& p = *static_cast<Page*>(data);
    if (p.app == nullptr) return EM_TRUE;  // waiting for a window large enough
    if (!p.paused) {
        for (int n = p.ticks.due(nowUs()); n > 0 && p.app->running(); --n) p.app->tickNow();
    }
    present(p);
    if (p.app->running()) return EM_TRUE;
    say("Pellwick has ended. Reload the page to play again.");
    return EM_FALSE;  // no more frames, and so no more ticks
}

}  // namespace

}  // namespace pellwick

using pellwick::Page;

extern "C" {

/// A click on the canvas; detail counts the clicks of a double-click.
EMSCRIPTEN_KEEPALIVE void pellwickClick(Page* p, int detail) {
    if (p->app == nullptr) return;
    if (detail <= 1) p->app->handle(pellwick::Input::click());
    if (detail == 2) p->app->handle(pellwick::Input::doubleClick());
}

/// A key press; escape is 1 for the Escape key.
EMSCRIPTEN_KEEPALIVE void pellwickKey(Page* p, int escape) {
    if (p->app != nullptr) p->app->handle(pellwick::Input::keyDown(escape != 0 ? pellwick::Key::Escape : pellwick::Key::Other));
}

/// The window changed size.
EMSCRIPTEN_KEEPALIVE void pellwickResize(Page* p) {
    if (p->app == nullptr || p->app->running()) pellwick::fit(*p);
}

/// Ticks run so far (tests).
EMSCRIPTEN_KEEPALIVE double pellwickTicks(Page* p) { return p->app == nullptr ? 0 : static_cast<double>(p->app->ticks()); }

/// The digest of the game's exact state, as pellwick-render --json gives it (tests).
EMSCRIPTEN_KEEPALIVE const char* pellwickState(Page* p) {
    p->stateText = p->app == nullptr ? std::string() : pellwick::digestText(pellwick::stateDigest(p->app->world()));
    return p->stateText.c_str();
}

/// Stops or resumes the ticking; the canvas shows the field as it stands (tests).
EMSCRIPTEN_KEEPALIVE void pellwickPause(Page* p, int paused) {
    if (p->paused && paused == 0) p->ticks = pellwick::CatchUp(pellwick::TICK_PERIOD_US, pellwick::TICK_CAP);  // no catching up
    p->paused = paused != 0;
    if (p->app != nullptr) pellwick::present(*p);
}

}  // extern "C"

int main() {
    auto* page = new Page();  // the page's for as long as it is open
    pellwick::listenToPage(page);
    pellwick::fit(*page);
    emscripten_request_animation_frame_loop(pellwick::frame, page);
    return 0;
}
