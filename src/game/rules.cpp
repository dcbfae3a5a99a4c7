// The rules of the game, written plainly: what a tick, a step and a reset do, in the order they do it.
#include "game/rules.hpp"

#include <cmath>

#include "game/trig.hpp"

namespace pellwick {

Point homePoint(int t, double width, double height) {
    const double halfW = width / 2;
    const double halfH = height / 2;
    const double px = (t & 1) != 0 ? halfW / 2 + halfW : halfW / 2;
    const double py = (t & 2) != 0 ? halfH / 2 + halfH : halfH / 2;
    return {px, py};
}

void drawFigure(Field& f, double x, double y, double a, Colour c) {
    const auto [s, k] = sinCos(a * DEG_TO_RAD);
    drawDash(f, static_cast<float>(x + BODY_HALF_LENGTH * s), static_cast<float>(y + BODY_HALF_LENGTH * k),
             static_cast<float>(x - BODY_HALF_LENGTH * s), static_cast<float>(y - BODY_HALF_LENGTH * k), c);
}

void drawDash(Field& f, float frontX, float frontY, float backX, float backY, Colour c) {
    f.drawLine(frontX, frontY, backX, backY, c);
    f.drawCircle(frontX, frontY, HEAD_RADIUS, c);
}

void killWalker(World& w, int i) {
    w.field.setPenWidth(DEATH_PEN_WIDTH);
    w.field.drawCircle(static_cast<float>(w.x[i]), static_cast<float>(w.y[i]), DEATH_RADIUS);
    const Point home = homePoint(w.team[i], w.field.surfaceWidth(), w.field.surfaceHeight());
    w.x[i] = home.x;
    w.y[i] = home.y;
    w.field.setPenWidth(1);
    ++w.deaths;
}

void stepWalker(World& w, int i) {
    const double cand = candidateHeading(w.angle[i], w.random.next());
    const auto [sc, cc] = sinCos(cand * DEG_TO_RAD);
    const Colour p = w.field.pixelAt(static_cast<float>(w.x[i] + PROBE_DISTANCE * sc),
                                     static_cast<float>(w.y[i] + PROBE_DISTANCE * cc));
    if (p > 0) {  // free: anything but black or off the field
        if (w.energy[i] < ENERGY_CEILING) ++w.energy[i];
        w.angle[i] = cand;
        const SinCos heading = sinCos(w.angle[i] * DEG_TO_RAD);
        w.x[i] = w.x[i] + heading.sin;
        w.y[i] = w.y[i] + heading.cos;
    } else {  // blocked: the walker stays, and may turn around
        if (w.energy[i] > 0) --w.energy[i];
        if (turnsAround(w.energy[i])) w.angle[i] = w.angle[i] + 180 + 50 * static_cast<double>(w.random.next()) - 25;
    }
    if (isEnemyColour(p, w.team[i])) killWalker(w, i);
    w.angle[i] = wrapHeading(w.angle[i]);
}

void tick(World& w) {
    for (int i = 0; i < WALKER_COUNT; ++i) {
        drawFigure(w.field, w.x[i], w.y[i], w.angle[i], teamColour[w.team[i] & 3]);
        stepWalker(w, i);
        drawFigure(w.field, w.x[i], w.y[i], w.angle[i], INK);
    }
}

namespace {

void drawWalls(World& w, float hw, float hh) {
    Field& f = w.field;
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
}

void seedWalker(World& w, int i, float hw, float hh) {
    const double ra = w.random.next();
    const double rb = w.random.next();
    const auto spread = static_cast<float>(1 - ra * rb);
    const int t = static_cast<int>(std::floor(4 * static_cast<double>(w.random.next())));
    const Point centre = homePoint(t, 2.0 * hw, 2.0 * hh);
    w.team[i] = static_cast<std::int16_t>(t);
    w.angle[i] = 360 * static_cast<double>(w.random.next());
    const SinCos heading = sinCos(w.angle[i] * DEG_TO_RAD);
    w.x[i] = centre.x + heading.sin * hw * SPAWN_SPREAD * spread;
    w.y[i] = centre.y + heading.cos * hh * SPAWN_SPREAD * spread;
    w.energy[i] = ENERGY_AT_RESET;
}

}  // namespace

void resetWorld(World& w) {
    w.field.clear();
    const auto hw = static_cast<float>(w.field.surfaceWidth() / 2);
    const auto hh = static_cast<float>(w.field.surfaceHeight() / 2);
    drawWalls(w, hw, hh);
    for (int i = 0; i < WALKER_COUNT; ++i) seedWalker(w, i, hw, hh);
}

}  // namespace pellwick
