// Keeping events to a fixed period on a steady clock: the game's 1 ms ticks and the display's frames.
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

/// For a host that wakes at its own pace, such as a browser's animation frames: how many events of a fixed
/// period fell due since the last call. At most `cap` are handed out at once; the rest are dropped, so a
/// host that slept long (a tab in the background) does not make up for it.
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

}  // namespace pellwick
