// Known answers computed by an independent model: whole pictures, death counts and walker traces.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "png_read.hpp"
#include "game/rules.hpp"
#include "tools/render_report.hpp"

namespace pellwick {
namespace {

struct Golden {
    const char* name;
    const char* picture;
    std::vector<std::string> args;
    std::uint64_t deaths;
};

RenderOptions optionsFor(const std::vector<std::string>& args) {
    ParseResult r = parseRenderArgs(args);
    EXPECT_TRUE(r.options) << r.error;
    return r.options.value_or(RenderOptions{});
}

// Reports the first differing pixel, which says far more than a count.
void expectSameField(const Field& f, const Picture& p) {
    ASSERT_EQ(f.width(), p.width);
    ASSERT_EQ(f.height(), p.height);
    std::size_t differing = 0;
    std::size_t first = 0;
    for (std::size_t i = 0; i < p.pixels.size(); ++i) {
        if (f.pixels()[i] != p.pixels[i] && differing++ == 0) first = i;
    }
    EXPECT_EQ(differing, 0U) << "first at (" << first % p.width << ", " << first / p.width << "): got "
                             << f.pixels()[first] << ", want " << p.pixels[first];
}

class GoldenPictures : public ::testing::TestWithParam<Golden> {};

TEST_P(GoldenPictures, RendererReproducesPictureAndDeaths) {
    const Golden& g = GetParam();
    const RenderOptions o = optionsFor(g.args);
    const App app = renderGame(o);
    const World& w = app.world();
    const Picture want = readPng(std::string(PELLWICK_TEST_DATA) + "/" + g.picture);
    ASSERT_FALSE(want.pixels.empty()) << g.picture;
    expectSameField(w.field, want);
    EXPECT_EQ(w.deaths, g.deaths);
}

INSTANTIATE_TEST_SUITE_P(
    KnownAnswers, GoldenPictures,
    ::testing::Values(Golden{"Pregame", "pregame-160x120.png", {"--size", "160x120", "--ticks", "400"}, 0},
                      Golden{"Game", "game-200x150.png", {"--size", "200x150", "--ticks", "600", "--click", "0"}, 105},
                      Golden{"TwoGamesResize", "twogames-resize.png",
                             {"--size", "320x240", "--ticks", "800", "--click", "0", "--click", "300", "--resize",
                              "500:280x260"},
                             59}),
    [](const ::testing::TestParamInfo<Golden>& info) { return std::string(info.param.name); });

// Walkers 0, 250 and 500 through the first 100 ticks of a game, under the plain rules and under the fast tick.
void followTrace(void (*tickOnce)(World&)) {
    std::ifstream in(std::string(PELLWICK_TEST_DATA) + "/game-200x150.trace");
    ASSERT_TRUE(in);
    World w(200, 150);
    resetWorld(w);
    std::string line;
    int ticksDone = 0;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        int t = 0, i = 0, energy = 0, team = 0;
        double x = 0, y = 0, angle = 0;
        fields >> t >> i >> x >> y >> angle >> energy >> team;
        for (; ticksDone < t; ++ticksDone) tickOnce(w);
        // Positions to within 1e-9 px: a sine a last bit away moves a walker by about 1e-13 px.
        ASSERT_NEAR(w.x[i], x, 1e-9) << "tick " << t << " walker " << i;
        ASSERT_NEAR(w.y[i], y, 1e-9) << "tick " << t << " walker " << i;
        ASSERT_EQ(w.angle[i], angle) << "tick " << t << " walker " << i;
        ASSERT_EQ(w.energy[i], energy) << "tick " << t << " walker " << i;
        ASSERT_EQ(w.team[i], team) << "tick " << t << " walker " << i;
    }
    EXPECT_EQ(ticksDone, 100);
}

TEST(GoldenTrace, WalkersFollowTheModelTickByTick) {
    followTrace([](World& w) { tick(w); });
    followTrace([](World& w) {
        static Ticker ticker;  // one ticker through the whole trace, as an app keeps one
        ticker.tick(w);
    });
}

}  // namespace
}  // namespace pellwick
