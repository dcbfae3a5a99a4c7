// The fast tick: the same tick as the plain rules, bit for bit, sped up with what it remembers between
// ticks (each walker's figure spot and the sine of its heading) and with steps planned ahead.
#pragma once

#include <array>
#include <cstdint>
#include <limits>

#include "game/figure_patterns.hpp"
#include "game/world.hpp"

namespace pellwick {

/// Kept beside a world by whoever ticks it. It notices every change it did not make itself (a reset, a
/// resize, a walker moved by hand), so it may tick any world, and a fresh one gives the same result.
class Ticker {
public:
    /// Draws and steps every walker of w once, in index order, exactly as tick(w) would.
    void tick(World& w);

    /// What the ticker remembers of each walker's figure: the sine and cosine of its heading, kept with the
    /// exact heading they came from, and where the figure lies, kept with the exact position it came from.
    /// Any change of heading or position misses; so does any change of the field's shape or pen.
    struct FigureMemo {
        double angle = std::numeric_limits<double>::quiet_NaN();
        double sin = 0;
        double cos = 0;
        double x = std::numeric_limits<double>::quiet_NaN();
        double y = 0;
        FigureSpot spot;
        bool wasFree = true;  // how the walker's last step went: the best guess for the next
    };

    /// The next few walkers' steps, worked out ahead: each one's candidate heading, its sine and cosine, the
    /// pixel it will probe and the random source around its draw. Holds walkers first..end-1, for as long as
    /// no walker draws an extra value (a turn ends it) and within one tick only.
    struct StepPlan {
        static constexpr int WINDOW = 64;  // a turn wastes the rest of a window
        int first = 0;
        int end = 0;
        std::array<double, WINDOW> cand{};
        std::array<double, WINDOW> radians{};  // cand in radians
        std::array<double, WINDOW> sin{};
        std::array<double, WINDOW> cos{};
        std::array<std::int32_t, WINDOW> probe{};  // the pixel's index, or OFF_FIELD
        std::array<std::uint64_t, WINDOW> stateBefore{};
        std::array<Random, WINDOW> after;
    };

private:
    struct Look;
    struct Place;

    void checkMemoShape(const Field& f);
    void memoHeading(int i, double a);
    void memoSpot(const Field& f, int i, double x, double y);
    void refreshMemo(const World& w, int i);
    void paintFigure(World& w, int i, Colour c);
    void drawFigureSlowly(World& w, int i, Colour c);
    void planSteps(const World& w, int first);
    void touchPlanned(const World& w, int first, int n);
    Look plannedLook(World& w, int i);
    Place settle(World& w, int i, const Look& l);

    std::array<FigureMemo, WALKER_COUNT> memo_{};
    std::array<int, 3> memoShape_{};  // the field's width, height and pen width the spots were found for
    FigurePatterns figures_;
    StepPlan plan_;
    Colour touched_ = 0;  // what touchPlanned read, kept so that the reads are not dropped
    std::array<Colour, 4> teamBits_{};  // the colour bits of the teams' colours as the field stores them
};

}  // namespace pellwick
