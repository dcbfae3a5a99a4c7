// Keeping events to a fixed period on a steady clock: the game's 1 ms ticks, the display's frames and the
// games a saver starts by itself.
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

/// When a saver starts games by itself: the first this long after it starts, then one every newGameSeconds
/// (never again when 0).
struct SaverTimes {
    double firstGameSeconds = FIRST_GAME_SECONDS;
    double newGameSeconds = NEW_GAME_SECONDS;
};

/// The games a saver starts by itself, on the wall clock. Missed ones are not made up: after a long stall
/// there is one, not a burst.
class AutoGames {
public:
    AutoGames(std::int64_t startUs, const SaverTimes& times);
    /// Whether a game is due at nowUs; each one is reported once.
    bool due(std::int64_t nowUs);

private:
    std::int64_t next_;
    std::int64_t every_;
    bool done_ = false;
};

}  // namespace pellwick
