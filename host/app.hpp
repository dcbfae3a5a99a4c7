// The app core: what each input does and when ticks run, for any backend. It never touches a platform:
// a backend feeds it events and the time, and shows its field.
#pragma once

#include <cstdint>

#include "world.hpp"

namespace pellwick {

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

constexpr std::int64_t kTickPeriodUs = 1000;

/// Microseconds on the steady clock: the time every backend feeds the cadences.
std::int64_t nowUs();
constexpr int kEscape = 27;

class App {
public:
    /// A program at start-up: a zeroed world on a width x height field, running, no tick yet.
    App(int width, int height, Colour background = kWhite);

    /// Whether the program goes on; once false it stays false and no tick runs again.
    bool running() const { return running_; }
    /// A left click: a new game.
    void click();
    /// A double-click: the program ends (its first click has already reset the world).
    void doubleClick() { running_ = false; }
    /// A key press with this character code: Escape ends the program, every other key is ignored.
    void key(int charCode);
    /// The desktop asks the window to close: the program ends.
    void close() { running_ = false; }
    /// The window's client area changed size; the field follows it.
    void resize(int width, int height);
    /// Runs one tick if one is due at atUs (and the program still runs); returns whether it ran.
    bool runDueTick(std::int64_t atUs);
    /// Microseconds from atUs until the next tick is due.
    std::int64_t untilNextTick(std::int64_t atUs) const { return ticker_.until(atUs); }

    /// Ticks run so far.
    std::uint64_t ticks() const { return ticks_; }
    /// The world, for showing its field.
    const World& world() const { return world_; }
    /// The field, for a display that copies what changed and then forgets the changes.
    Field& field() { return world_.field; }

private:
    World world_;
    Cadence ticker_{kTickPeriodUs};
    std::uint64_t ticks_ = 0;
    bool running_ = true;
};

}  // namespace pellwick
