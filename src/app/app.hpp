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

/// What the user's input does.
enum class InputRules {
    Windowed,    // a click starts a new game; a double-click or Escape ends the program
    FullScreen,  // a screensaver's: any key, any button or a move of more than a few pixels ends it
    Embedded,    // in someone else's window: the input is theirs, and none of it reaches the game
};

/// How far the pointer may wander from where it was first seen before a full-screen saver ends.
constexpr int MOVE_TOLERANCE = 4;

class App {
public:
    /// A program at start-up: a zeroed world on a width x height field, running, no tick yet.
    App(int width, int height, Colour background = WHITE, InputRules rules = InputRules::Windowed);

    /// Applies one input under the app's rules. In every mode a close ends the program, a resize reaches
    /// the field and NewGame starts a new game; nothing happens once the program has ended.
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
    void handleWindowed(const Input& input);
    void handleFullScreen(const Input& input);

    InputRules rules_;
    bool pointerSeen_ = false;  // the pointer's first position, which a full-screen saver measures from
    int pointerX_ = 0;
    int pointerY_ = 0;
    World world_;
    Ticker ticker_;
    Cadence cadence_{TICK_PERIOD_US};
    std::uint64_t ticks_ = 0;
    bool running_ = true;
};

}  // namespace pellwick
