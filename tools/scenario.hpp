// Playing a renderer scenario on a world, and summing up the field it leaves.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "render_args.hpp"
#include "world.hpp"

namespace pellwick {

/// How many pixels of the field hold each kind of colour.
struct PixelCounts {
    std::uint64_t background = 0;
    std::uint64_t ink = 0;
    std::array<std::uint64_t, 4> team{};
    std::uint64_t other = 0;
};

/// Called now and then during a run with the ticks done so far.
using Progress = std::function<void(std::uint64_t done)>;

/// Plays o.ticks ticks on w with o's events, each before the tick it names (after the last for T = ticks).
void playScenario(World& w, const RenderOptions& o, const Progress& progress = {});

/// Counts the field's pixels by colour.
PixelCounts countPixels(const Field& f);

/// The one-line human summary.
std::string summaryText(const World& w, std::uint64_t ticks, const PixelCounts& c);

/// The same summary as one JSON object.
std::string summaryJson(const World& w, std::uint64_t ticks, const PixelCounts& c);

}  // namespace pellwick
