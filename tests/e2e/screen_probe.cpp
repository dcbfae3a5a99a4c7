// Test helper for screenshots of the window:
//   screen_probe tick SHOT.png MAX [SEED]  prints the tick (0..MAX) after which a game with no click (on
//                                      seed SEED's stream, 0 unless given) looks exactly like SHOT.png, or
//                                      exits 1 when none does;
//   screen_probe game SHOT.png MAX SEED  the same for a game that starts before its first tick, as a
//                                      saver's first game does with --first-game 0;
//   screen_probe saver SHOT.png MAX SEED FIRST NEW  the same for a saver's run with its own games after
//                                      FIRST and every NEW seconds' worth of ticks;
//   screen_probe counts SHOT.png       prints the pixel counts by colour, as the renderer's JSON does.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "png_read.hpp"
#include "tools/render_report.hpp"

namespace {

using namespace pellwick;

bool sameAs(const Field& f, const Picture& p) {
    return std::equal(p.pixels.begin(), p.pixels.end(), f.pixels());
}

int findTick(const Picture& shot, unsigned long max, const char* seed, bool newGame, AppSettings settings = {}) {
    settings.seed = seed != nullptr ? std::strtoull(seed, nullptr, 10) : 0;
    App app(shot.width, shot.height, settings);
    if (newGame) {
        app.handle(Input::press(Button::Left, 1));
        app.handle(Input::release(Button::Left, 1));
    }
    for (unsigned long t = 0; t <= max; ++t) {
        if (sameAs(app.world().field, shot)) {
            std::printf("%lu\n", t);
            return 0;
        }
        app.tickNow();
    }
    std::fprintf(stderr, "screen_probe: no tick up to %lu matches\n", max);
    return 1;
}

int printCounts(const Picture& shot) {
    World w(shot.width, shot.height);
    std::copy(shot.pixels.begin(), shot.pixels.end(), w.field.data());
    std::printf("%s\n", summaryJson(w, 0, 0, countPixels(w.field)).c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: screen_probe tick SHOT.png MAX [SEED] | game SHOT.png MAX SEED | saver SHOT.png MAX SEED FIRST NEW"
                             " | counts SHOT.png\n");
        return 2;
    }
    const std::string mode = argv[1];
    const Picture shot = readPng(argv[2]);
    if (shot.pixels.empty()) {
        std::fprintf(stderr, "screen_probe: cannot read %s\n", argv[2]);
        return 2;
    }
    const bool game = mode == "game" && argc == 5;
    if ((mode == "tick" && (argc == 4 || argc == 5)) || game) {
        return findTick(shot, std::strtoul(argv[3], nullptr, 10), argc == 5 ? argv[4] : nullptr, game);
    }
    if (mode == "saver" && argc == 7) {
        const SaverTimes times{std::strtod(argv[5], nullptr), std::strtod(argv[6], nullptr)};
        return findTick(shot, std::strtoul(argv[3], nullptr, 10), argv[4], false, AppSettings{WHITE, InputRules::IgnoreInput, times});
    }
    if (mode == "counts") return printCounts(shot);
    std::fprintf(stderr, "screen_probe: unknown mode %s\n", mode.c_str());
    return 2;
}
