// The rules of the game: the tick driver, the walker step and the world reset.
#include "world.hpp"

#include "sincos_batch.hpp"

#include <algorithm>
#include <cmath>

namespace pellwick {

namespace {

constexpr double BODY_HALF = 2.0;
constexpr double PROBE_DISTANCE = 4.0;
constexpr double SPAWN_SPREAD = 0.01;
constexpr int PROBE_LOOKAHEAD = 4;  // walkers ahead whose probe is prefetched

// Written with | and & so that it compiles without branches: the probed colour is anybody's guess.
bool isEnemyColour(Colour p, int ownTeam) {
    const bool teamColoured =
        (p == teamColour[0]) | (p == teamColour[1]) | (p == teamColour[2]) | (p == teamColour[3]);
    return teamColoured & (p != teamColour[ownTeam & 3]);
}

// Sets walker i's remembered sine and cosine for its current heading, when they were for another.
void memoHeading(World& w, int i, double a) {
    World::FigureMemo& m = w.memo[i];
    if (!(m.angle == a)) [[unlikely]] {
        m.angle = a;
        m.sin = std::sin(a * DEG_TO_RAD);
        m.cos = std::cos(a * DEG_TO_RAD);
    }
}

// Finds where walker i's figure lies now and remembers it.
[[gnu::always_inline]] inline void memoSpot(World& w, int i, double x, double y) {
    World::FigureMemo& m = w.memo[i];
    m.x = x;
    m.y = y;
    m.spot = w.figures.locate(w.field, static_cast<float>(x + BODY_HALF * m.sin),
                              static_cast<float>(y + BODY_HALF * m.cos), static_cast<float>(x - BODY_HALF * m.sin),
                              static_cast<float>(y - BODY_HALF * m.cos));
}

// Whether walker i's memo holds its current heading and position.
bool memoFresh(const World& w, int i) {
    const World::FigureMemo& m = w.memo[i];
    return (m.angle == w.angle[i]) & (m.x == w.x[i]) & (m.y == w.y[i]);
}

// Brings walker i's memo up to date after a change the tick did not make itself (a reset, a resize, an edit by hand).
[[gnu::noinline]] void refreshMemo(World& w, int i) {
    memoHeading(w, i, w.angle[i]);
    memoSpot(w, i, w.x[i], w.y[i]);
}

// A figure that is not one of the patterns, drawn the general way.
[[gnu::noinline]] void drawFigureSlowly(World& w, int i, Colour c) {
    const World::FigureMemo& m = w.memo[i];
    const double x = w.x[i], y = w.y[i];
    const auto x1 = static_cast<float>(x + BODY_HALF * m.sin), y1 = static_cast<float>(y + BODY_HALF * m.cos);
    w.field.drawLine(x1, y1, static_cast<float>(x - BODY_HALF * m.sin), static_cast<float>(y - BODY_HALF * m.cos), c);
    w.field.drawCircle(x1, y1, 1.0F, c);
}

// The walker's figure, where its memo says: a dash of four pixels along its heading with a ring on its front end.
[[gnu::always_inline]] inline void paintFigure(World& w, int i, Colour c) {
    const World::FigureMemo& m = w.memo[i];
    if (m.spot.pattern >= 0) [[likely]] {
        w.figures.paint(w.field, m.spot, c);
    } else {
        drawFigureSlowly(w, i, c);
    }
}

double candidate(double heading, double r) { return heading + 50 * r - 25; }

// Works out the steps of the next window of walkers, from walker `first` on, as far as they do not depend on
// the field: the random values they will draw, their candidate headings with sines and cosines (computed
// together, in an order the library likes) and the pixels they will probe.
void planSteps(World& w, int first) {
    World::StepPlan& plan = w.plan;
    const int n = std::min(World::StepPlan::kWindow, WALKER_COUNT - first);
    Random r = w.random;
    std::array<double, World::StepPlan::kWindow> args;  // only the first n are used
    for (int k = 0; k < n; ++k) {
        plan.stateBefore[k] = r.state();
        plan.cand[k] = candidate(w.angle[first + k], r.next());
        plan.after[k] = r;
        args[k] = plan.cand[k] * DEG_TO_RAD;
    }
    sinCosBatch(args.data(), n, plan.sin.data(), plan.cos.data());
    for (int k = 0; k < n; ++k) {
        plan.probe[k] = w.field.indexAt(static_cast<float>(w.x[first + k] + PROBE_DISTANCE * plan.sin[k]),
                                        static_cast<float>(w.y[first + k] + PROBE_DISTANCE * plan.cos[k]));
    }
    plan.first = first;
    plan.end = first + n;
}

// Asks the cache for the pixel walker j (a few walkers on) will probe, when it is planned: the probe is on
// the step's critical path, and its row is seldom among the recently painted ones. Inlined by force: as a
// call of its own, the compiler finds it has no effect and drops it, prefetch and all.
[[gnu::always_inline]] inline void prefetchProbe(const World& w, int j) {
    if (j >= w.plan.end) return;
    const std::int32_t pixel = w.plan.probe[j - w.plan.first];
    if (pixel >= 0) __builtin_prefetch(w.field.pixels() + pixel);
}

// Forgets every remembered spot when the field's shape or pen has changed since they were found.
void checkMemoShape(World& w) {
    const std::array<int, 3> shape = {w.field.width(), w.field.height(), w.field.penWidth()};
    if (shape == w.memoShape) return;
    w.memoShape = shape;
    for (auto& m : w.memo) m.x = std::numeric_limits<double>::quiet_NaN();
}

// Walker i dies at (x, y): its blot is drawn there and it is sent home, where it goes on.
Point die(World& w, int i, double x, double y) {
    w.field.setPenWidth(DEATH_PEN_WIDTH);
    w.field.drawCircle(static_cast<float>(x), static_cast<float>(y), DEATH_RADIUS);
    w.field.setPenWidth(1);
    ++w.deaths;
    return homePoint(w.team[i], w.field.surfaceWidth(), w.field.surfaceHeight());
}

struct Place {
    double x, y, angle;
};

// The first half of a step: the walker's candidate heading, its sine and cosine and what the probe sees there.
struct Look {
    double cand, sin, cos;
    Colour seen;
};

// The look worked out directly, drawing walker i's random value.
Look look(World& w, int i) {
    Look l;
    l.cand = candidate(w.angle[i], w.random.next());
    l.sin = std::sin(l.cand * DEG_TO_RAD);
    l.cos = std::cos(l.cand * DEG_TO_RAD);
    l.seen = w.field.pixelAt(static_cast<float>(w.x[i] + PROBE_DISTANCE * l.sin),
                             static_cast<float>(w.y[i] + PROBE_DISTANCE * l.cos));
    return l;
}

// The look from the plan, which must hold walker i, when the random source is where the plan expected.
[[gnu::always_inline]] inline Look plannedLook(World& w, int i) {
    const World::StepPlan& plan = w.plan;
    const int k = i - plan.first;
    if (w.random.state() != plan.stateBefore[k]) [[unlikely]] return look(w, i);
    w.random = plan.after[k];
    const std::int32_t pixel = plan.probe[k];
    return {plan.cand[k], plan.sin[k], plan.cos[k], pixel >= 0 ? w.field.pixels()[pixel] : kOffField};
}

// The rest of walker i's step (see stepWalker), once it has looked; returns where the walker ends up. The
// memo's heading follows a free move.
[[gnu::always_inline]] inline Place settle(World& w, int i, const Look& l) {
    // y is read on its own (volatile): the compiler would otherwise fetch it together with its neighbour
    // y[i - 1] in one wide load, which has to wait for the last walker's store of that neighbour to land.
    double x = w.x[i], y = *static_cast<const volatile double*>(&w.y[i]);
    const double a = w.angle[i];
    const double cand = l.cand, sc = l.sin, cc = l.cos;
    const Colour p = l.seen;
    // Branches, not selects, so that the work after the probe goes ahead on a guess instead of waiting for the
    // probed pixel. The guess is how this walker's last step went, which is right far more often than any
    // guess from the walkers before it; each way of guessing has its own branch, so the predictor learns both.
    const bool free = p > 0;
    World::FigureMemo& m = w.memo[i];
    double heading = a;
    int energy = w.energy[i];
    const auto moveFreely = [&] {
        energy = std::min(energy + 1, ENERGY_CEILING);
        heading = cand;
        x = x + sc;
        y = y + cc;
        m.angle = cand;
        m.sin = sc;
        m.cos = cc;
    };
    const auto stayPut = [&] { energy = std::max(energy - 1, 0); };
    if (m.wasFree) {
        if (free) [[likely]] moveFreely(); else stayPut();
    } else {
        if (!free) [[likely]] stayPut(); else moveFreely();
    }
    m.wasFree = free;
    w.energy[i] = static_cast<std::int16_t>(energy);
    if (!free && energy > TURN_BAND_LOW && energy < TURN_BAND_HIGH) [[unlikely]] {
        heading = a + 180 + 50 * static_cast<double>(w.random.next()) - 25;
        w.plan.end = std::min(w.plan.end, i + 1);  // every later walker draws one value later than planned
    }
    if (isEnemyColour(p, w.team[i])) [[unlikely]] {
        const Point home = die(w, i, x, y);
        x = home.x;
        y = home.y;
    }
    if (heading < 0) heading = heading + 360;
    if (heading > 360) heading = heading - 360;
    w.x[i] = x;
    w.y[i] = y;
    w.angle[i] = heading;
    return {x, y, heading};
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
    checkMemoShape(w);
    w.plan.end = 0;
    for (int i = 0; i < WALKER_COUNT; ++i) {
        if (i >= w.plan.end) planSteps(w, i);
        if (!memoFresh(w, i)) [[unlikely]] refreshMemo(w, i);
        paintFigure(w, i, teamColour[w.team[i] & 3]);
        prefetchProbe(w, i + PROBE_LOOKAHEAD);
        const Place now = settle(w, i, plannedLook(w, i));
        // The step kept the memo's heading in step with a free move; a turn or a wrap needs new values.
        memoHeading(w, i, now.angle);
        memoSpot(w, i, now.x, now.y);
        paintFigure(w, i, kInk);
    }
    w.plan.end = 0;  // the plan holds this tick's positions only
}

void stepWalker(World& w, int i) { settle(w, i, look(w, i)); }

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
