// The rules of the game: the tick driver, the walker step and the world reset.
#include "world.hpp"

#include <algorithm>
#include <cmath>

namespace pellwick {

namespace {

constexpr double BODY_HALF = 2.0;
constexpr double PROBE_DISTANCE = 4.0;
constexpr double SPAWN_SPREAD = 0.01;

// Written with | and & so that it compiles without branches: the probed colour is anybody's guess.
bool isEnemyColour(Colour p, int ownTeam) {
    const bool teamColoured =
        (p == teamColour[0]) | (p == teamColour[1]) | (p == teamColour[2]) | (p == teamColour[3]);
    return teamColoured & (p != teamColour[ownTeam & 3]);
}

// Sine and cosine of walker i's current heading, from the cache when the heading has not changed.
void headingTrig(World& w, int i, double& s, double& k) {
    const double a = w.angle[i];
    if (!(w.trig.angle[i] == a)) {
        w.trig.angle[i] = a;
        w.trig.sin[i] = std::sin(a * DEG_TO_RAD);
        w.trig.cos[i] = std::cos(a * DEG_TO_RAD);
    }
    s = w.trig.sin[i];
    k = w.trig.cos[i];
}

// The walker's figure: a dash of four pixels along its heading with a ring on its front end.
void drawFigure(World& w, int i, Colour c) {
    Field& f = w.field;
    const double x = w.x[i], y = w.y[i];
    double s, k;
    headingTrig(w, i, s, k);
    const auto x1 = static_cast<float>(x + BODY_HALF * s), y1 = static_cast<float>(y + BODY_HALF * k);
    const auto x2 = static_cast<float>(x - BODY_HALF * s), y2 = static_cast<float>(y - BODY_HALF * k);
    w.figures.draw(f, x1, y1, x2, y2, c);
}

void die(World& w, int i) {
    w.field.setPenWidth(DEATH_PEN_WIDTH);
    w.field.drawCircle(static_cast<float>(w.x[i]), static_cast<float>(w.y[i]), DEATH_RADIUS);
    const Point home = homePoint(w.team[i], w.field.surfaceWidth(), w.field.surfaceHeight());
    w.x[i] = home.x;
    w.y[i] = home.y;
    w.field.setPenWidth(1);
    ++w.deaths;
}

}  // namespace

Point homePoint(int t, double width, double height) {
    const double halfW = width / 2;
    const double halfH = height / 2;
    const double px = (t & 1) != 0 ? halfW / 2 + halfW : halfW / 2;
    const double py = (t & 2) != 0 ? halfH / 2 + halfH : halfH / 2;
    return {px, py};
}

World::World(int width, int height, Colour background) : field(width, height, background) {}

void tick(World& w) {
    for (int i = 0; i < WALKER_COUNT; ++i) {
        drawFigure(w, i, teamColour[w.team[i] & 3]);
        stepWalker(w, i);
        drawFigure(w, i, kInk);
    }
}

void stepWalker(World& w, int i) {
    const double r = w.random.next();
    const double cand = w.angle[i] + 50 * r - 25;
    const double sc = std::sin(cand * DEG_TO_RAD);
    const double cc = std::cos(cand * DEG_TO_RAD);
    const Colour p = w.field.pixelAt(static_cast<float>(w.x[i] + PROBE_DISTANCE * sc),
                                     static_cast<float>(w.y[i] + PROBE_DISTANCE * cc));
    // Whether the walker is free depends on the field and defeats branch prediction, so the common part
    // uses selects. On a free move sc and cc are exactly the sine and cosine of the new heading.
    const bool free = p > 0;
    const int energy = std::clamp(w.energy[i] + (free ? 1 : -1), 0, ENERGY_CEILING);
    w.energy[i] = static_cast<std::int16_t>(energy);
    const double a = w.angle[i];
    w.angle[i] = free ? cand : a;
    w.x[i] = free ? w.x[i] + sc : w.x[i];
    w.y[i] = free ? w.y[i] + cc : w.y[i];
    w.trig.angle[i] = free ? cand : w.trig.angle[i];
    w.trig.sin[i] = free ? sc : w.trig.sin[i];
    w.trig.cos[i] = free ? cc : w.trig.cos[i];
    if (!free && energy > TURN_BAND_LOW && energy < TURN_BAND_HIGH) {
        const double r2 = w.random.next();
        w.angle[i] = a + 180 + 50 * r2 - 25;
    }
    if (isEnemyColour(p, w.team[i])) die(w, i);
    if (w.angle[i] < 0) w.angle[i] = w.angle[i] + 360;
    if (w.angle[i] > 360) w.angle[i] = w.angle[i] - 360;
}

void resetWorld(World& w) {
    Field& f = w.field;
    f.clear();
    const auto hw = static_cast<float>(f.surfaceWidth() / 2);
    const auto hh = static_cast<float>(f.surfaceHeight() / 2);
    for (int n = 0; n < WALL_COUNT; ++n) {
        f.setPenWidth(static_cast<int>(std::floor(6 * static_cast<double>(w.random.next()))) + 1);
        const double r1 = w.random.next();
        const double r2 = w.random.next();
        const double r3 = w.random.next();
        const double r4 = w.random.next();
        f.drawBox(static_cast<float>(r1 * hw), static_cast<float>(r2 * hh), static_cast<float>(hw + r3 * hw),
                  static_cast<float>(hh + r4 * hh));
    }
    f.setPenWidth(1);
    for (int i = 0; i < WALKER_COUNT; ++i) {
        const double ra = w.random.next();
        const double rb = w.random.next();
        const auto spread = static_cast<float>(1 - ra * rb);
        const int t = static_cast<int>(std::floor(4 * static_cast<double>(w.random.next())));
        const Point centre = homePoint(t, 2.0 * hw, 2.0 * hh);
        w.team[i] = static_cast<std::int16_t>(t);
        w.angle[i] = 360 * static_cast<double>(w.random.next());
        w.x[i] = centre.x + std::sin(w.angle[i] * DEG_TO_RAD) * hw * SPAWN_SPREAD * spread;
        w.y[i] = centre.y + std::cos(w.angle[i] * DEG_TO_RAD) * hh * SPAWN_SPREAD * spread;
        w.energy[i] = ENERGY_AT_RESET;
    }
}

}  // namespace pellwick
