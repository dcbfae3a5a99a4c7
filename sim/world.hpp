// The world: the walker arrays, the team table, the field they live on and the random source that moves them.
#pragma once

#include <array>
#include <cstdint>
#include <limits>

#include "field.hpp"
#include "figure.hpp"
#include "random.hpp"

namespace pellwick {

constexpr int WALKER_COUNT = 501;
constexpr int WALL_COUNT = 21;
constexpr double DEG_TO_RAD = 0.0174532925199433;

constexpr int ENERGY_AT_RESET = 50;
constexpr int ENERGY_CEILING = 300;
constexpr int TURN_BAND_LOW = 10;   // exclusive
constexpr int TURN_BAND_HIGH = 40;  // exclusive
constexpr int DEATH_PEN_WIDTH = 8;
constexpr float DEATH_RADIUS = 3.0F;

/// Packs 8-bit components into a Colour.
constexpr Colour rgb(int r, int g, int b) { return r + 256 * g + 65536 * b; }

/// Team colours: pale red, green, blue and grey.
constexpr std::array<Colour, 4> teamColour = {rgb(255, 215, 215), rgb(215, 255, 215), rgb(215, 215, 255),
                                              rgb(215, 215, 215)};

struct Point {
    double x;
    double y;
};

/// The centre of team t's quarter of a field of the given size.
Point homePoint(int t, double width, double height);

/// Everything one game owns. Two worlds never share anything.
struct World {
    /// A world as at program start: a fresh field of this size, every walker zeroed, the random source at its start.
    World(int width, int height, Colour background = kWhite);

    std::array<double, WALKER_COUNT> x{};
    std::array<double, WALKER_COUNT> y{};
    std::array<double, WALKER_COUNT> angle{};
    std::array<std::int16_t, WALKER_COUNT> energy{};
    std::array<std::int16_t, WALKER_COUNT> team{};
    Field field;
    Random random;
    /// Walkers that have died since the world was made.
    std::uint64_t deaths = 0;

    /// What the tick remembers of each walker's figure: the sine and cosine of its heading, kept with the exact
    /// heading they came from, and where the figure lies, kept with the exact position it came from. Any change
    /// of heading or position misses; so does any change of the field's shape or pen (see memoShape).
    struct FigureMemo {
        double angle = std::numeric_limits<double>::quiet_NaN();
        double sin = 0;
        double cos = 0;
        double x = std::numeric_limits<double>::quiet_NaN();
        double y = 0;
        FigureSpot spot;
        bool wasFree = true;  // how the walker's last step went: the best guess for the next
    };
    std::array<FigureMemo, WALKER_COUNT> memo{};
    /// The field's width, height and pen width the remembered spots were found for.
    std::array<int, 3> memoShape{};
    FigurePatterns figures;
    /// The next few walkers' steps, worked out ahead by the tick: each one's candidate heading, its sine and
    /// cosine, the pixel it will probe and the random source around its draw. Holds walkers first..end-1, for as
    /// long as no walker draws an extra value (a turn ends it) and within one tick only.
    struct StepPlan {
        static constexpr int kWindow = 64;  // a turn wastes the rest of a window
        int first = 0;
        int end = 0;
        std::array<double, kWindow> cand{};
        std::array<double, kWindow> sin{};
        std::array<double, kWindow> cos{};
        std::array<std::int32_t, kWindow> probe{};  // the pixel's index, or kOffField
        std::array<std::uint64_t, kWindow> stateBefore{};
        std::array<Random, kWindow> after;
    } plan;
};

/// Draws and steps every walker once, in index order.
void tick(World& w);
/// Steps walker i (0..WALKER_COUNT-1): one probe, at most one pixel of movement, maybe a death.
void stepWalker(World& w, int i);
/// Starts a new game: clears the field, draws the walls and seeds all walkers around their home points.
void resetWorld(World& w);

}  // namespace pellwick
