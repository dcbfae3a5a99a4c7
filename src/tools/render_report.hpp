// What the renderer reports of a finished game: how the field is shared between the colours, as a line or
// as JSON; and the game itself, played from the renderer's options.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "app/scenario.hpp"
#include "tools/render_args.hpp"

namespace pellwick {

/// How many pixels of the field hold each kind of colour.
struct PixelCounts {
    std::uint64_t background = 0;
    std::uint64_t ink = 0;
    std::array<std::uint64_t, 4> team{};
    std::uint64_t other = 0;
};

/// The scripted game the options ask for.
Scenario scenarioOf(const RenderOptions& o);

/// Plays the game the options ask for, as the window would, and returns the app after it.
App renderGame(const RenderOptions& o, const Progress& progress = {}, const Watch& watch = {});

/// Counts the field's pixels by colour.
PixelCounts countPixels(const Field& f);

/// The one-line human summary.
std::string summaryText(const World& w, std::uint64_t ticks, const PixelCounts& c);

/// The same summary as one JSON object, with the seed (as a string: it may not fit a JavaScript number) as
/// "seed" and the state digest as "state".
std::string summaryJson(const World& w, std::uint64_t ticks, std::uint64_t seed, const PixelCounts& c);

}  // namespace pellwick
