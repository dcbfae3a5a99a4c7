// The world: the five walker arrays, the field they live on, the random source that moves them and the
// count of the dead. Nothing else: caches of the fast tick live in its Ticker.
#pragma once

#include <array>
#include <cstdint>

#include "game/random.hpp"
#include "raster/field.hpp"

namespace pellwick {

constexpr int WALKER_COUNT = 501;

/// Everything one game owns. Two worlds never share anything.
struct World {
    /// A world as at program start: a fresh field of this size, every walker zeroed, the random source at
    /// the start of the seed's stream (0: the game's own).
    World(int width, int height, Colour background = WHITE, std::uint64_t seed = 0)
        : field(width, height, background), random(seed) {}

    std::array<double, WALKER_COUNT> x{};
    std::array<double, WALKER_COUNT> y{};
    std::array<double, WALKER_COUNT> angle{};
    std::array<std::int16_t, WALKER_COUNT> energy{};
    std::array<std::int16_t, WALKER_COUNT> team{};
    Field field;
    Random random;
    /// Walkers that have died since the world was made.
    std::uint64_t deaths = 0;
};

}  // namespace pellwick
