// Keeping events to a fixed period on a steady clock (the game's 1 ms ticks, the display's frames), and the
// games a saver starts by itself, on the game's own count of ticks.
#pragma once

#include <cstdint>

namespace pellwick {

constexpr std::int64_t TICK_PERIOD_US = 1000;

/// Microseconds on the steady clock: the time every backend feeds the cadences.
std::int64_t nowUs();

/// Keeps events to a fixed period. Due times lie on a grid; an event that starts a whole period or more
/// late starts a new grid from itself, so missed events are dropped and never made up.
class Cadence {
public:
    /// Period in microseconds (at least 1).
    explicit Cadence(std::int64_t periodUs);
    /// Whether an event is due at atUs. The first call is always due.
    bool due(std::int64_t atUs) const { return !started_ || atUs >= next_; }
    /// Records that an event started at atUs.
    void start(std::int64_t atUs);
    /// Microseconds from atUs until the next event is due; 0 when it is due now.
    std::int64_t until(std::int64_t atUs) const;

private:
    std::int64_t period_;
    std::int64_t next_ = 0;
    bool started_ = false;
};

/// For a clock read at irregular times (the game's, read whenever a frame is asked for, input comes or the
/// game keeps time on its own): how many events of a fixed period fell due since the last call. At most
/// `cap` are handed out at once; the rest are dropped, so a program held up long (a tab in the background,
/// a stalled display) does not make up for it.
class CatchUp {
public:
    /// Period in microseconds (at least 1); cap at least 1.
    CatchUp(std::int64_t periodUs, int cap);
    /// The events due at atUs since the last call; the first call gives one.
    int due(std::int64_t atUs);

private:
    std::int64_t period_;
    int cap_;
    std::int64_t next_ = 0;
    bool started_ = false;
};

/// A saver's intervals unless the user sets them, and the longest either may be (about eleven days): the one
/// place they are written. The settings dialog, the XScreenSaver settings and the manual follow them.
constexpr double FIRST_GAME_SECONDS = 10;
constexpr double NEW_GAME_SECONDS = 180;
constexpr double MAX_SAVER_SECONDS = 1e6;

/// When a saver starts games by itself: the first after firstGameSeconds' worth of ticks, then one every
/// newGameSeconds' worth (never again when 0).
struct SaverTimes {
    double firstGameSeconds = FIRST_GAME_SECONDS;
    double newGameSeconds = NEW_GAME_SECONDS;
};

/// The game's own speed, ticks a second, unless the user sets another.
constexpr int TICKS_PER_SECOND = 1'000'000 / TICK_PERIOD_US;

/// The ticks in so many seconds of the game at that speed, rounded to the nearest.
std::uint64_t ticksIn(double seconds, int ticksPerSecond = TICKS_PER_SECOND);

/// The games a saver starts by itself, counted in ticks rather than on the wall clock, so that a seed, a
/// field size and a speed replay the same run however the frames happened to come.
class AutoGames {
public:
    /// The schedule of a saver playing ticksPerSecond.
    explicit AutoGames(const SaverTimes& times, int ticksPerSecond = TICKS_PER_SECOND);
    /// Whether a game starts after ticksDone ticks, before the next one runs: at the first game's tick, then
    /// at every new-game interval after it.
    bool due(std::uint64_t ticksDone) const;

private:
    std::uint64_t first_;
    std::uint64_t every_;  // 0: no game after the first
};

}  // namespace pellwick
