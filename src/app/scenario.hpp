// Scripted games: a field size, a number of ticks and inputs at given ticks, played on the same app core
// as the window, so a scripted game is exactly what the window would show.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "app/app.hpp"

namespace pellwick {

/// An input that comes just before tick `at` runs (at == ticks: after the last tick).
struct ScenarioEvent {
    std::uint64_t at;
    Input input;
};

struct Scenario {
    int width;
    int height;
    std::uint64_t ticks;
    std::vector<ScenarioEvent> events;  // in the order they happen
    std::uint64_t seed = 0;             // the random stream's (0: the game's own)
    std::optional<SaverTimes> ownGames = std::nullopt;  // a saver's own games on these intervals, as a saver plays them
    int speed = TICKS_PER_SECOND;  // ticks a second: when a saver's own games come
};

/// Called now and then during a run with the ticks done so far.
using Progress = std::function<void(std::uint64_t done)>;
/// Called between ticks with the number of ticks done and the app as it stands then: after the events at
/// that tick, before the tick runs (at the end: after the last tick and the events there).
using Watch = std::function<void(std::uint64_t tick, App& app)>;

/// Plays s on a fresh app of s's size, as at program start, and returns the app after it.
App playScenario(const Scenario& s, const Progress& progress = {}, const Watch& watch = {});

}  // namespace pellwick
