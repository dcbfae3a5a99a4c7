// Benchmarks of a tick in mid-game and before the first click, back to back and in a screen's frames, of
// what a frame sends a screen, of a reset, and of whole renderer runs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "app/frame.hpp"
#include "game/rules.hpp"
#include "tools/render_report.hpp"

namespace pellwick {
namespace {

// The fast tick on a world some ticks into a game (or into the time before the first click when clicked is
// false), with the ticker that played it there.
void tickOf(benchmark::State& state, int width, int height, bool clicked, int warmTicks) {
    World w(width, height);
    Ticker ticker;
    if (clicked) resetWorld(w);
    for (int t = 0; t < warmTicks; ++t) ticker.tick(w);
    for (auto _ : state) ticker.tick(w);
    state.counters["deaths"] = static_cast<double>(w.deaths);
}

void BM_TickMidGame1920x1080(benchmark::State& state) { tickOf(state, 1920, 1080, true, 2000); }
void BM_TickMidGame3840x2160(benchmark::State& state) { tickOf(state, 3840, 2160, true, 2000); }
void BM_TickBeforeFirstClick1920x1080(benchmark::State& state) { tickOf(state, 1920, 1080, false, 500); }

void BM_Reset1920x1080(benchmark::State& state) {
    World w(1920, 1080);
    for (auto _ : state) resetWorld(w);
}

void renderRun(benchmark::State& state, const std::vector<std::string>& args) {
    const RenderOptions o = *parseRenderArgs(args).options;
    for (auto _ : state) benchmark::DoNotOptimize(countPixels(renderGame(o).world().field));
}

void BM_RenderDefault(benchmark::State& state) { renderRun(state, {}); }
void BM_RenderGame1920x1080x5000(benchmark::State& state) {
    renderRun(state, {"--size", "1920x1080", "--ticks", "5000", "--click", "0"});
}

// A mid-game at 1920x1080 with a canvas that holds its last frame, as a display's would.
struct FramedGame {
    World w{1920, 1080};
    Ticker ticker;
    std::vector<std::uint32_t> screen = std::vector<std::uint32_t>(1920 * 1080);
    Canvas canvas{screen.data(), 1920, 1080, 1920, XRGB};
    FrameDrawer drawer;

    FramedGame() {
        resetWorld(w);
        for (int t = 0; t < 2000; ++t) ticker.tick(w);
        drawer.draw(w.field, canvas);
    }
    void frameOfTicks() {
        for (int t = 0; t < 17; ++t) ticker.tick(w);  // one frame at 60 Hz
    }
};

// Drawing one frame (17 ticks) of a mid-game into a canvas.
void BM_DrawFrame1920x1080(benchmark::State& state) {
    FramedGame g;
    for (auto _ : state) {
        state.PauseTiming();
        g.frameOfTicks();
        state.ResumeTiming();
        benchmark::DoNotOptimize(g.drawer.draw(g.w.field, g.canvas).size());
    }
}

// Ticks as a screen plays them: a frame's ticks (the argument: 17 at 1000 a second, 1 for the wallpaper),
// then a frame's wait asleep. Only the ticks are timed, so set beside BM_TickMidGame1920x1080 (back to back,
// as the renderer plays) it shows what the wait costs the ticks after it: caches gone cold.
void BM_TickInFrames1920x1080(benchmark::State& state) {
    FramedGame g;
    const auto ticks = static_cast<int>(state.range(0));
    for (auto _ : state) {
        for (int t = 0; t < ticks; ++t) g.ticker.tick(g.w);
        state.PauseTiming();
        std::this_thread::sleep_for(std::chrono::microseconds(16667));
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * ticks);  // items/s: ticks a second of the ticks' own time
}

// What a frame sends a screen in mid-game: the share of pixels that really changed, of tiles marked
// changed, and of the field the rectangles sent cover; and how many rectangles.
void BM_FrameChanges1920x1080(benchmark::State& state) {
    FramedGame g;
    std::vector<Colour> before;
    double changed = 0, marked = 0, sent = 0, count = 0;
    const double pixels = 1920.0 * 1080, tiles = static_cast<double>(g.w.field.tilesX()) * g.w.field.tilesY();
    for (auto _ : state) {
        before.assign(g.w.field.pixels(), g.w.field.pixels() + 1920 * 1080);
        g.frameOfTicks();
        for (std::size_t i = 0; i < before.size(); ++i) changed += before[i] != g.w.field.pixels()[i];
        marked += static_cast<double>(std::count(g.w.field.dirtyTiles(), g.w.field.dirtyTiles() + static_cast<std::size_t>(tiles), 1));
        const std::vector<Rect>& rects = g.drawer.draw(g.w.field, g.canvas);
        for (const Rect& r : rects) sent += static_cast<double>(r.area());
        count += static_cast<double>(rects.size());
    }
    const double frames = static_cast<double>(state.iterations());
    state.counters["changed%"] = 100 * changed / frames / pixels;
    state.counters["tiles%"] = 100 * marked / frames / tiles;
    state.counters["sent%"] = 100 * sent / frames / pixels;
    state.counters["rects"] = count / frames;
}

BENCHMARK(BM_TickMidGame1920x1080)->MinTime(0.5);
BENCHMARK(BM_TickMidGame3840x2160)->MinTime(0.5);
BENCHMARK(BM_TickBeforeFirstClick1920x1080)->MinTime(0.5);
BENCHMARK(BM_TickInFrames1920x1080)->Arg(17)->Arg(1)->Unit(benchmark::kMicrosecond)->Iterations(120);
BENCHMARK(BM_Reset1920x1080)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawFrame1920x1080)->Unit(benchmark::kMicrosecond)->Iterations(600);
BENCHMARK(BM_FrameChanges1920x1080)->Unit(benchmark::kMillisecond)->Iterations(120);
BENCHMARK(BM_RenderDefault)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderGame1920x1080x5000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace pellwick

BENCHMARK_MAIN();
