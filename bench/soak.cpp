// Soak: plays a long game (default 1,000,000 ticks at 1920x1080, a click every 50,000) and checks the
// world's invariants after every tick; reports how long it took and the peak memory.
// Usage: soak [TICKS] [WIDTH] [HEIGHT] [CLICK_EVERY]
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "game/rules.hpp"
#include "game/ticker.hpp"

namespace {

// The first broken invariant of walker i, or nullptr.
const char* broken(const pellwick::World& w, int i) {
    if (!std::isfinite(w.x[i]) || !std::isfinite(w.y[i])) return "position not finite";
    if (!(w.angle[i] >= 0 && w.angle[i] <= 360)) return "heading outside [0, 360]";
    if (w.energy[i] < 0 || w.energy[i] > 300) return "energy outside 0..300";
    if (w.team[i] < 0 || w.team[i] > 3) return "team outside 0..3";
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    const long ticks = argc > 1 ? std::atol(argv[1]) : 1'000'000;
    const int width = argc > 2 ? std::atoi(argv[2]) : 1920;
    const int height = argc > 3 ? std::atoi(argv[3]) : 1080;
    const long clickEvery = argc > 4 ? std::atol(argv[4]) : 50'000;
    pellwick::World w(width, height);
    pellwick::Ticker ticker;
    const auto start = std::chrono::steady_clock::now();
    for (long t = 0; t < ticks; ++t) {
        if (clickEvery > 0 && t % clickEvery == 0) pellwick::resetWorld(w);
        ticker.tick(w);
        for (int i = 0; i < pellwick::WALKER_COUNT; ++i) {
            if (const char* why = broken(w, i)) {
                std::printf("FAIL at tick %ld, walker %d: %s\n", t + 1, i, why);
                return 1;
            }
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("soak: %ld ticks at %dx%d, click every %ld: invariants held; %.1f s (%.1f us/tick), %llu deaths, "
                "peak memory %.1f MiB\n",
                ticks, width, height, clickEvery, seconds, 1e6 * seconds / static_cast<double>(ticks),
                static_cast<unsigned long long>(w.deaths), usage.ru_maxrss / 1024.0);
    return 0;
}
