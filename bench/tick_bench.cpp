// Benchmarks of a tick in mid-game and before the first click, of a reset, and of whole renderer runs.
#include <benchmark/benchmark.h>

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

BENCHMARK(BM_TickMidGame1920x1080)->MinTime(0.5);
BENCHMARK(BM_TickMidGame3840x2160)->MinTime(0.5);
BENCHMARK(BM_TickBeforeFirstClick1920x1080)->MinTime(0.5);
BENCHMARK(BM_Reset1920x1080)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RenderDefault)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderGame1920x1080x5000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace pellwick

BENCHMARK_MAIN();
