// The app core: what each input does, what a click and a double-click are, when ticks run and when a saver
// starts games by itself, for any backend. It never touches a platform: a backend feeds it events and the
// time, and shows its field.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "app/cadence.hpp"
#include "app/input.hpp"
#include "game/ticker.hpp"
#include "game/world.hpp"
#include "raster/pixel_format.hpp"

namespace pellwick {

/// The field's background for a platform's colour: that colour, unless it would wall the field in (black),
/// blend with a team (a team colour) or is no colour at all; then white.
Colour fieldBackground(Colour platform);

/// At most this many ticks run at once at the game's own speed, however long the program was held up: 50
/// ms of game. Other speeds run at most 50 ms of theirs, and at least one tick.
constexpr int TICK_BURST = 50;

/// How an app is set up: the platform's background colour, what input does, when a saver (any rules but
/// Play, or ownGames) starts games by itself, the seed of the random stream (0: the game's own), and how the
/// field keeps its pixels for the screen that shows them.
struct AppSettings {
    Colour background = WHITE;
    InputRules rules = InputRules::Play;
    SaverTimes times;
    std::uint64_t seed = 0;
    bool ownGames = false;  // starts its own games even while clicks play (a page on a wall)
    int speed = TICKS_PER_SECOND;           // ticks a second; a saver's own games come after as many ticks
    PixelFormat pixelFormat = FIELD_ORDER;  // the screen's, when the field can keep it (keepsColourBits)
    bool sharedPixels = false;              // the field's pixels in memory a display server can read
};

/// An input and when it came, on the clock the ticks run on.
struct TimedInput {
    Input input;
    std::int64_t at;
};

class App {
public:
    /// A program at start-up: a zeroed world on a width x height field, running, no tick yet.
    App(int width, int height, const AppSettings& settings = {});

    /// Applies one input under the app's rules. In every mode a close ends the program and a resize reaches
    /// the field; nothing happens once the program has ended. A full-screen saver's other input is its
    /// SaverPolicy's (app/saver.hpp), which ends every monitor's game by a close.
    void handle(const Input& input);
    /// Runs one tick now, if the program still runs; a saver's own game, when one is due at this count of
    /// ticks, starts first.
    void tickNow();
    /// Runs, one after another, the ticks that fell due by atUs since the last call at the app's speed, but
    /// at most a burst at once, so a stalled program never piles ticks up. The first call, and the first
    /// after a change of speed or a pause, runs one. None while paused. Returns how many ticks ran.
    int runDueTicks(std::int64_t atUs);
    /// Brings the game up to atUs, as every host does: each input after the ticks that fell due by its
    /// time, in the order they came, then the ticks due by atUs. Returns whether the program goes on.
    bool advance(const std::vector<TimedInput>& inputs, std::int64_t atUs);

    /// Ticks a second from now on (a saver's own games keep the schedule they started with).
    void setSpeed(int ticksPerSecond);
    /// Stops the game's time (no tick falls due) or lets it run again from where it stood.
    void pause(bool paused);
    bool paused() const { return paused_; }
    /// Whether the program goes on; once false it stays false and no tick runs again.
    bool running() const { return running_; }
    /// Ticks run so far.
    std::uint64_t ticks() const { return ticks_; }
    /// The world, for showing its field.
    const World& world() const { return world_; }
    /// The field, for a display that copies what changed and then forgets the changes.
    Field& field() { return world_.field; }

private:
    void play(const Input& input);
    bool startsOwnGames() const { return settings_.rules != InputRules::Play || settings_.ownGames; }

    AppSettings settings_;
    int leftPressClicks_ = 0;  // the click count of the left press not yet released; 0: none
    World world_;
    Ticker ticker_;
    CatchUp due_;
    bool paused_ = false;
    AutoGames autoGames_;  // a saver's own games, in ticks
    std::uint64_t ticks_ = 0;
    bool running_ = true;
};

}  // namespace pellwick
