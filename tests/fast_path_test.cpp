// The tick's shortcuts (steps planned ahead, remembered figure spots, unchecked painting) against the plain
// rules written out directly, through resets, deaths, resizes of every kind and walkers moved by hand; and
// the tiles a tick marks changed, which the window relies on to show every change.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "world.hpp"

namespace pellwick {
namespace {

void plainFigure(Field& f, double x, double y, double a, Colour c) {
    const double s = std::sin(a * DEG_TO_RAD), k = std::cos(a * DEG_TO_RAD);
    f.drawLine(float(x + 2 * s), float(y + 2 * k), float(x - 2 * s), float(y - 2 * k), c);
    f.drawCircle(float(x + 2 * s), float(y + 2 * k), 1, c);
}

void plainStep(World& w, int i) {
    const double cand = w.angle[i] + 50 * double(w.random.next()) - 25;
    const double sc = std::sin(cand * DEG_TO_RAD), cc = std::cos(cand * DEG_TO_RAD);
    const Colour p = w.field.pixelAt(float(w.x[i] + 4 * sc), float(w.y[i] + 4 * cc));
    if (p > 0) {
        if (w.energy[i] < 300) ++w.energy[i];
        w.angle[i] = cand;
        w.x[i] += std::sin(w.angle[i] * DEG_TO_RAD);
        w.y[i] += std::cos(w.angle[i] * DEG_TO_RAD);
    } else {
        if (w.energy[i] > 0) --w.energy[i];
        if (w.energy[i] > 10 && w.energy[i] < 40) w.angle[i] = w.angle[i] + 180 + 50 * double(w.random.next()) - 25;
    }
    bool enemy = false;
    for (int t = 0; t < 4; ++t) enemy = enemy || (t != w.team[i] && p == teamColour[t]);
    if (enemy) {
        w.field.setPenWidth(8);
        w.field.drawCircle(float(w.x[i]), float(w.y[i]), 3);
        const Point home = homePoint(w.team[i], w.field.surfaceWidth(), w.field.surfaceHeight());
        w.x[i] = home.x;
        w.y[i] = home.y;
        w.field.setPenWidth(1);
        ++w.deaths;
    }
    if (w.angle[i] < 0) w.angle[i] += 360;
    if (w.angle[i] > 360) w.angle[i] -= 360;
}

void plainTick(World& w) {
    for (int i = 0; i < WALKER_COUNT; ++i) {
        plainFigure(w.field, w.x[i], w.y[i], w.angle[i], teamColour[w.team[i]]);
        plainStep(w, i);
        plainFigure(w.field, w.x[i], w.y[i], w.angle[i], kInk);
    }
}

// Every pixel the tick changed lies in a tile it marked.
void expectChangesMarked(const Field& f, const std::vector<Colour>& before, int t) {
    for (int y = 0; y < f.height(); ++y) {
        for (int x = 0; x < f.width(); ++x) {
            if (f.at(x, y) == before[static_cast<std::size_t>(y) * f.width() + x]) continue;
            const int tile = (y / Field::kTileSize) * f.tilesX() + x / Field::kTileSize;
            ASSERT_NE(f.dirtyTiles()[tile], 0) << "pixel " << x << "," << y << " changed unmarked at tick " << t;
        }
    }
}

void expectSameWorld(const World& a, const World& b, int t) {
    ASSERT_EQ(a.field.width(), b.field.width());
    ASSERT_EQ(a.field.height(), b.field.height());
    ASSERT_TRUE(std::equal(a.field.pixels(), a.field.pixels() + a.field.width() * a.field.height(), b.field.pixels()))
        << "fields part at tick " << t;
    ASSERT_EQ(a.x, b.x) << t;
    ASSERT_EQ(a.angle, b.angle) << t;
    ASSERT_EQ(a.deaths, b.deaths) << t;
}

TEST(FastPath, AgreesWithThePlainRulesThroughEveryKindOfChange) {
    World fast(160, 120), plain(160, 120);
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
        tick(fast);
        expectChangesMarked(fast.field, before, t);
        plainTick(plain);
        expectSameWorld(fast, plain, t);
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(fast.deaths, 0U);
}

}  // namespace
}  // namespace pellwick
