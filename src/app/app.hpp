// The app core: what each input does and when ticks run, for any backend. It never touches a platform:
// a backend feeds it events and the time, and shows its field.
#pragma once

#include <cstdint>

#include "app/cadence.hpp"
#include "app/input.hpp"
#include "game/ticker.hpp"
#include "game/world.hpp"

namespace pellwick {

/// The field's background for a platform's colour: that colour, unless it would wall the field in (black),
/// blend with a team (a team colour) or is no colour at all; then white.
Colour fieldBackground(Colour platform);

class App {
public:
    /// A program at start-up: a zeroed world on a width x height field, running, no tick yet.
    App(int width, int height, Colour background = WHITE);

    /// Applies one input: a click starts a new game, a double-click, Escape or a close ends the program, a
    /// resize reaches the field; nothing happens once the program has ended.
    void handle(const Input& input);
    /// Runs one tick now, if the program still runs.
    void tickNow();
    /// Runs one tick if one is due at atUs (and the program still runs); returns whether it ran.
    bool runDueTick(std::int64_t atUs);
    /// Microseconds from atUs until the next tick is due.
    std::int64_t untilNextTick(std::int64_t atUs) const { return cadence_.until(atUs); }

    /// Whether the program goes on; once false it stays false and no tick runs again.
    bool running() const { return running_; }
    /// Ticks run so far.
    std::uint64_t ticks() const { return ticks_; }
    /// The world, for showing its field.
    const World& world() const { return world_; }
    /// The field, for a display that copies what changed and then forgets the changes.
    Field& field() { return world_.field; }

private:
    World world_;
    Ticker ticker_;
    Cadence cadence_{TICK_PERIOD_US};
    std::uint64_t ticks_ = 0;
    bool running_ = true;
};

}  // namespace pellwick
