// Games on fields of hostile sizes: tiny, one pixel wide, and resized down to nothing and back mid-game.
#include <gtest/gtest.h>

#include <cmath>

#include "game/rules.hpp"
#include "game/ticker.hpp"

namespace pellwick {
namespace {

void expectSane(const World& w) {
    for (int i = 0; i < WALKER_COUNT; ++i) {
        ASSERT_TRUE(std::isfinite(w.x[i]) && std::isfinite(w.y[i])) << i;
        ASSERT_GE(w.angle[i], 0) << i;
        ASSERT_LE(w.angle[i], 360) << i;
        ASSERT_GE(w.energy[i], 0) << i;
        ASSERT_LE(w.energy[i], 300) << i;
        ASSERT_GE(w.team[i], 0) << i;
        ASSERT_LE(w.team[i], 3) << i;
    }
}

TEST(HostileSizes, TinyAndThinFieldsPlayWithoutFault) {
    for (auto [width, height] : {std::pair{1, 1}, {2, 2}, {1, 5000}, {5000, 1}, {12, 12}, {13, 40}}) {
        World w(width, height);
        Ticker ticker;
        for (int t = 0; t < 60; ++t) {
            if (t % 20 == 10) resetWorld(w);
            ticker.tick(w);
        }
        expectSane(w);
        EXPECT_EQ(w.field.width(), width);
    }
}

TEST(HostileSizes, ResizedDownToOnePixelAndBackMidGame) {
    World w(300, 200);
    Ticker ticker;
    resetWorld(w);
    const std::pair<int, int> sizes[] = {{120, 80}, {1, 1}, {1, 1}, {7, 3}, {300, 200}, {2, 900}, {640, 480}};
    for (auto [width, height] : sizes) {
        w.field.resize(width, height);
        for (int t = 0; t < 40; ++t) ticker.tick(w);
        resetWorld(w);
        for (int t = 0; t < 40; ++t) ticker.tick(w);
        expectSane(w);
    }
    EXPECT_EQ(w.field.width(), 640);
}

}  // namespace
}  // namespace pellwick
