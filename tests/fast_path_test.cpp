// The fast tick (steps planned ahead, remembered figure spots, unchecked painting) against the plain rules,
// through resets, deaths, resizes of every kind and walkers moved by hand; and the tiles a tick marks
// changed, which the window relies on to show every change.
#include <gtest/gtest.h>

#include <vector>

#include "game/digest.hpp"
#include "game/rules.hpp"
#include "game/ticker.hpp"

namespace pellwick {
namespace {

// Every pixel the tick changed lies in a tile it marked.
void expectChangesMarked(const Field& f, const std::vector<Colour>& before, int t) {
    for (int y = 0; y < f.height(); ++y) {
        for (int x = 0; x < f.width(); ++x) {
            if (f.at(x, y) == before[static_cast<std::size_t>(y) * f.width() + x]) continue;
            const int tile = (y / Field::TILE_SIZE) * f.tilesX() + x / Field::TILE_SIZE;
            ASSERT_NE(f.dirtyTiles()[tile], 0) << "pixel " << x << "," << y << " changed unmarked at tick " << t;
        }
    }
}

TEST(FastPath, AgreesWithThePlainRulesThroughEveryKindOfChange) {
    World fast(160, 120), plain(160, 120);
    Ticker ticker;
    const struct {
        int at;
        int width, height;  // 0: a click instead of a resize
    } events[] = {{0, 0, 0},     {150, 161, 120}, {300, 161, 90}, {400, 0, 0}, {550, 120, 200},
                  {700, 40, 30}, {760, 0, 0},     {820, 1, 1},    {840, 200, 150}, {900, 0, 0}};
    int next = 0;
    for (int t = 0; t < 1200; ++t) {
        for (; next < int(std::size(events)) && events[next].at == t; ++next) {
            const auto& e = events[next];
            for (World* w : {&fast, &plain}) {
                if (e.width == 0) {
                    resetWorld(*w);
                } else {
                    w->field.resize(e.width, e.height);
                }
            }
        }
        if (t == 1000) {  // walkers moved and turned by hand between ticks
            for (World* w : {&fast, &plain}) {
                w->x[7] += 3;
                w->angle[8] = 359.5;
                w->y[9] = 2;
            }
        }
        fast.field.clearDirty();
        const Field& f = fast.field;
        const std::vector<Colour> before(f.pixels(), f.pixels() + f.width() * f.height());
        ticker.tick(fast);
        expectChangesMarked(fast.field, before, t);
        tick(plain);
        ASSERT_EQ(stateDifference(fast, plain), "") << "the worlds part at tick " << t;
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(fast.deaths, 0U);
}

}  // namespace
}  // namespace pellwick
