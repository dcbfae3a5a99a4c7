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
            const std::size_t i = static_cast<std::size_t>(y) * f.width() + x;
            if (f.pixels()[i] == before[i]) continue;
            const int tile = (y / Field::TILE_SIZE) * f.tilesX() + x / Field::TILE_SIZE;
            ASSERT_NE(f.dirtyTiles()[tile], 0) << "pixel " << x << "," << y << " changed unmarked at tick " << t;
        }
    }
}

// The fast tick on a field that stores its pixels in `format`, against the plain rules on one in the
// field's own order: a screen's field (the page's, opaque RGBA; a desktop's, blue in the low byte) must play
// the same game.
void expectAgreementThroughEveryKindOfChange(const PixelFormat& format) {
    World fast(160, 120), plain(160, 120);
    ASSERT_TRUE(fast.field.setPixelFormat(format));
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
        if (::testing::Test::HasFatalFailure()) return;
        tick(plain);
        ASSERT_EQ(stateDifference(fast, plain), "") << "the worlds part at tick " << t;
    }
    EXPECT_GT(fast.deaths, 0U);
    const Field& f = fast.field;
    for (int i = 0; i < f.width() * f.height(); ++i) {
        ASSERT_EQ(static_cast<std::uint32_t>(f.pixels()[i]), toPixel(plain.field.pixels()[i], format)) << "pixel " << i;
    }
    EXPECT_EQ(stateDigest(fast), stateDigest(plain));
}

TEST(FastPath, AgreesWithThePlainRulesThroughEveryKindOfChange) {
    expectAgreementThroughEveryKindOfChange(FIELD_ORDER);
    expectAgreementThroughEveryKindOfChange(RGBA_BYTES);
    expectAgreementThroughEveryKindOfChange(XRGB);
}

}  // namespace
}  // namespace pellwick
