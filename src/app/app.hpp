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

/// At most this many ticks run at once, however long the program was held up: 50 ms of game.
constexpr int TICK_BURST = 50;

class App {
public:
    /// A program at start-up: a zeroed world on a width x height field, running, no tick yet.
    App(int width, int height, Colour background = WHITE, InputRules rules = InputRules::Windowed);

    /// Applies one input under the app's rules. In every mode a close ends the program, a resize reaches
    /// the field and NewGame starts a new game; nothing happens once the program has ended.
    void handle(const Input& input);
    /// Runs one tick now, if the program still runs.
    void tickNow();
    /// Runs, one after another, the ticks that fell due by atUs since the last call: one a millisecond, but
    /// at most TICK_BURST at once, so a stalled program never piles ticks up. The first call runs one.
    /// Returns how many ran.
    int runDueTicks(std::int64_t atUs);
    /// Forgets the ticks due so far: the next runDueTicks runs one, as the first does.
    void forgetDueTicks() { due_ = CatchUp(TICK_PERIOD_US, TICK_BURST); }

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
    CatchUp due_{TICK_PERIOD_US, TICK_BURST};
    std::uint64_t ticks_ = 0;
    bool running_ = true;
};

}  // namespace pellwick
