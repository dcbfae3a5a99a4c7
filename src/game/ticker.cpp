// The fast tick. Each walker's step is the plain rule's, taken apart so that what does not depend on the
// field (the random draw, the candidate heading and its sine, the pixel to probe) is planned 64 walkers
// ahead, the probed pixel is in the cache by the time it is read, and the figure is painted from a pattern
// at a remembered spot instead of being drawn again.
#include "game/ticker.hpp"

#include <algorithm>

#include "game/rules.hpp"
#include "game/trig.hpp"

namespace pellwick {

// The first half of a step: the walker's candidate heading, its sine and cosine and what the probe sees there:
// the colour bits of the pixel as the field stores it (compared with the teams' as the field stores them).
struct Ticker::Look {
    double cand, sin, cos;
    Colour seen;
};

struct Ticker::Place {
    double x, y, angle;
};

// Sets walker i's remembered sine and cosine for its current heading, when they were for another.
void Ticker::memoHeading(int i, double a) {
    FigureMemo& m = memo_[i];
    if (!(m.angle == a)) [[unlikely]] {
        m.angle = a;
        const SinCos sc = sinCos(a * DEG_TO_RAD);
        m.sin = sc.sin;
        m.cos = sc.cos;
    }
}

// Finds where walker i's figure lies now and remembers it.
[[gnu::always_inline]] inline void Ticker::memoSpot(const Field& f, int i, double x, double y) {
    FigureMemo& m = memo_[i];
    m.x = x;
    m.y = y;
#if defined(__wasm__)
    // Field by field: in WebAssembly the spot comes back through memory, written a field at a time, and a
    // copy of the whole spot would read two fields at once and wait for both writes. Natively the spot is
    // assigned straight from locate, which keeps it in registers; hence the call written twice.
    const FigureSpot spot = figures_.locate(f, static_cast<float>(x + BODY_HALF_LENGTH * m.sin),
                                            static_cast<float>(y + BODY_HALF_LENGTH * m.cos),
                                            static_cast<float>(x - BODY_HALF_LENGTH * m.sin),
                                            static_cast<float>(y - BODY_HALF_LENGTH * m.cos));
    m.spot.base = spot.base;
    m.spot.pattern = spot.pattern;
    m.spot.tile = spot.tile;
#else
    m.spot = figures_.locate(f, static_cast<float>(x + BODY_HALF_LENGTH * m.sin),
                             static_cast<float>(y + BODY_HALF_LENGTH * m.cos),
                             static_cast<float>(x - BODY_HALF_LENGTH * m.sin),
                             static_cast<float>(y - BODY_HALF_LENGTH * m.cos));
#endif
}

// Brings walker i's memo up to date after a change the ticker did not make itself (a reset, a resize, an
// edit by hand).
[[gnu::noinline]] void Ticker::refreshMemo(const World& w, int i) {
    memoHeading(i, w.angle[i]);
    memoSpot(w.field, i, w.x[i], w.y[i]);
}

// A figure that is not one of the patterns, drawn the plain way.
[[gnu::noinline]] void Ticker::drawFigureSlowly(World& w, int i, Colour c) {
    drawFigure(w.field, w.x[i], w.y[i], w.angle[i], c);
}

// The walker's figure, where its memo says, in a colour as the field stores it.
[[gnu::always_inline]] inline void Ticker::paintFigure(World& w, int i, Colour c) {
    const FigureMemo& m = memo_[i];
    if (m.spot.pattern >= 0) [[likely]] {
        figures_.paint(w.field, m.spot, c);
    } else {
        drawFigureSlowly(w, i, c);
    }
}

// Works out the steps of the next window of walkers, from walker `first` on, as far as they do not depend on
// the field: the random values they will draw, their candidate headings with sines and cosines (computed
// together, several at a time) and the pixels they will probe.
void Ticker::planSteps(const World& w, int first) {
    StepPlan& plan = plan_;
    const int n = std::min(StepPlan::WINDOW, WALKER_COUNT - first);
    Random r = w.random;
    for (int k = 0; k < n; ++k) {
        plan.stateBefore[k] = r.state();
        plan.cand[k] = candidateHeading(w.angle[first + k], r.next());
        plan.after[k] = r;
        plan.radians[k] = plan.cand[k] * DEG_TO_RAD;
    }
    sinCosBatch(plan.radians.data(), n, plan.sin.data(), plan.cos.data());
    for (int k = 0; k < n; ++k) {
        plan.probe[k] = w.field.indexAt(static_cast<float>(w.x[first + k] + PROBE_DISTANCE * plan.sin[k]),
                                        static_cast<float>(w.y[first + k] + PROBE_DISTANCE * plan.cos[k]));
    }
    touchPlanned(w, first, n);
    plan.first = first;
    plan.end = first + n;
}

// Asks for the pixels the planned walkers will probe, all together: a probe is on its step's critical path
// and seldom in a row painted lately, and the misses overlap instead of coming one per walker. WebAssembly
// has no prefetch: there the pixels are read, and the rows around the figures as well; natively only the
// probes are prefetched.
void Ticker::touchPlanned(const World& w, int first, int n) {
#if defined(__wasm__)
    const auto count = static_cast<std::uint32_t>(w.field.width()) * static_cast<std::uint32_t>(w.field.height());
    if (count == 0) return;
    const Colour* pixels = w.field.pixels();
    const auto at = [&](std::uint32_t index) { return pixels[std::min(index, count - 1)]; };  // wrapped: the last
    const auto row = static_cast<std::uint32_t>(w.field.width());
    Colour seen = 0;
    for (int k = 0; k < n; ++k) seen |= at(static_cast<std::uint32_t>(plan_.probe[k]));
    for (int k = 0; k < n; ++k) {
        const auto spot = static_cast<std::uint32_t>(memo_[first + k].spot.base);
        seen |= at(spot - 2 * row) | at(spot + 2 * row);
    }
    touched_ = seen;
#else
    (void)first;
    for (int k = 0; k < n; ++k) {
        if (plan_.probe[k] >= 0) __builtin_prefetch(w.field.pixels() + plan_.probe[k]);
    }
#endif
}

// Forgets every remembered spot when the field's shape or pen has changed since they were found.
void Ticker::checkMemoShape(const Field& f) {
    const std::array<int, 3> shape = {f.width(), f.height(), f.penWidth()};
    if (shape == memoShape_) return;
    memoShape_ = shape;
    for (auto& m : memo_) m.x = std::numeric_limits<double>::quiet_NaN();
}

// The look from the plan, which must hold walker i. When the random source is not where the plan expected,
// the look is worked out directly.
[[gnu::always_inline]] inline Ticker::Look Ticker::plannedLook(World& w, int i) {
    const int k = i - plan_.first;
    if (w.random.state() != plan_.stateBefore[k]) [[unlikely]] {
        Look l;
        l.cand = candidateHeading(w.angle[i], w.random.next());
        const SinCos sc = sinCos(l.cand * DEG_TO_RAD);
        l.sin = sc.sin;
        l.cos = sc.cos;
        const std::int32_t pixel = w.field.indexAt(static_cast<float>(w.x[i] + PROBE_DISTANCE * l.sin),
                                                   static_cast<float>(w.y[i] + PROBE_DISTANCE * l.cos));
        l.seen = pixel >= 0 ? w.field.pixels()[pixel] & COLOUR_BITS : OFF_FIELD;
        return l;
    }
    w.random = plan_.after[k];
    const std::int32_t pixel = plan_.probe[k];
    return {plan_.cand[k], plan_.sin[k], plan_.cos[k], pixel >= 0 ? w.field.pixels()[pixel] & COLOUR_BITS : OFF_FIELD};
}

// The rest of walker i's step (stepWalker's), once it has looked; returns where the walker ends up. The
// memo's heading follows a free move.
[[gnu::always_inline]] inline Ticker::Place Ticker::settle(World& w, int i, const Look& l) {
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
    FigureMemo& m = memo_[i];
    double heading = a;
    int energy = w.energy[i];
    // Both ways are inlined by force, so that no compiler keeps one out of line and with it every local it
    // touches in memory for every walker.
    const auto moveFreely = [&]() __attribute__((always_inline)) {
        energy = std::min(energy + 1, ENERGY_CEILING);
        heading = cand;
        x = x + sc;
        y = y + cc;
        m.angle = cand;
        m.sin = sc;
        m.cos = cc;
    };
    const auto stayPut = [&]() __attribute__((always_inline)) { energy = std::max(energy - 1, 0); };
    if (m.wasFree) {
        if (free) [[likely]] moveFreely(); else stayPut();
    } else {
        if (!free) [[likely]] stayPut(); else moveFreely();
    }
    m.wasFree = free;
    w.energy[i] = static_cast<std::int16_t>(energy);
    if (!free && turnsAround(energy)) [[unlikely]] {
        heading = a + 180 + 50 * static_cast<double>(w.random.next()) - 25;
        plan_.end = std::min(plan_.end, i + 1);  // every later walker draws one value later than planned
    }
    if (isEnemyColour(p, w.team[i], teamBits_)) [[unlikely]] {
        w.x[i] = x;
        w.y[i] = y;
        killWalker(w, i);
        x = w.x[i];
        y = w.y[i];
    }
    heading = wrapHeading(heading);
    w.x[i] = x;
    w.y[i] = y;
    w.angle[i] = heading;
    return {x, y, heading};
}

void Ticker::tick(World& w) {
    checkMemoShape(w.field);
    plan_.end = 0;
    const Colour ink = w.field.storedColour(INK);
    std::array<Colour, 4> team{};  // the team colours as the field stores them
    for (std::size_t t = 0; t < team.size(); ++t) {
        team[t] = w.field.storedColour(teamColour[t]);
        teamBits_[t] = team[t] & COLOUR_BITS;
    }
    for (int i = 0; i < WALKER_COUNT; ++i) {
        if (i >= plan_.end) planSteps(w, i);
        const FigureMemo& m = memo_[i];
        if (!((m.angle == w.angle[i]) & (m.x == w.x[i]) & (m.y == w.y[i]))) [[unlikely]] refreshMemo(w, i);
        paintFigure(w, i, team[w.team[i] & 3]);
        const double heading = w.angle[i];  // the heading the memo's spot was found for
        const Place now = settle(w, i, plannedLook(w, i));
        // The step kept the memo's heading in step with a free move; a turn or a wrap needs new values. A
        // walker that ends where it was, facing the same way (about a quarter of them in mid-game), keeps
        // its spot.
        if (!((now.angle == heading) & (now.x == m.x) & (now.y == m.y))) {
            memoHeading(i, now.angle);
            memoSpot(w.field, i, now.x, now.y);
        }
        paintFigure(w, i, ink);
    }
    plan_.end = 0;  // the plan holds this tick's positions only
}

}  // namespace pellwick
