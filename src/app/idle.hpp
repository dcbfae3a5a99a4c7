// When the desktop's idle time starts the saver, for every watcher (an idle protocol that says when the
// desktop went idle, or an idle time read now and then): after so long with no input, unless a program
// holds idling off or the desktop blanks or locks itself, never while a saver plays, and after one ended
// not before the desktop has been idle that long again.
#pragma once

#include <cstdint>
#include <functional>

#include "app/launch.hpp"

namespace pellwick {

/// How often a watcher looks again while the saver is due but held off, and the longest it waits for events
/// before it sees whether a stop signal came.
constexpr std::int64_t IDLE_LOOK_US = 1'000'000;
/// The longest a watcher that reads the idle time waits before it looks again.
constexpr std::int64_t IDLE_LONGEST_LOOK_US = 60'000'000;

class IdleWatcher {
public:
    /// A watcher that starts the saver after idleUs of no input.
    explicit IdleWatcher(std::int64_t idleUs) : idleUs_(idleUs) {}

    std::int64_t idleUs() const { return idleUs_; }

    // ---- What the desktop says.
    /// The desktop has had no input for this long, as read now.
    void idleFor(std::int64_t us) { idle_ = us >= idleUs_; }
    /// An idle protocol says the desktop has had no input for the watcher's time.
    void idled() { idle_ = true; }
    /// Input came.
    void resumed() { idle_ = false; }
    /// Whether a program holds idling off (a video player).
    void inhibited(bool held) { inhibited_ = held; }
    /// Whether the desktop's own saver, blanking or locker is on: the saver gives way to it.
    void locked(bool on) { locked_ = on; }
    /// Whether the login manager has asked the session's locker to lock, and not yet to unlock: a fact
    /// apart from the desktop's own, since each source says only its own.
    void sessionLocked(bool on) { sessionLocked_ = on; }

    // ---- What it decides.
    /// Whether the saver starts now: idle long enough, nothing holds it off, and none plays.
    bool startsSaver() const { return idle_ && !inhibited_ && !anyLock() && !playing_; }
    /// Whether a saver that plays rests, as --rest says: the desktop blanked or locked meanwhile.
    bool saverRests() const { return playing_ && anyLock(); }
    /// The saver started.
    void saverStarted() { playing_ = true; }
    /// The saver ended, on input: the desktop is not idle until it says so again.
    void saverEnded() {
        playing_ = false;
        idle_ = false;
    }
    bool playing() const { return playing_; }
    /// How long a watcher that reads the idle time may wait before it looks again, the desktop having
    /// been idle for idleNowUs: until the saver would be due (idle time grows no faster than the clock),
    /// at most IDLE_LONGEST_LOOK_US; IDLE_LOOK_US while it is due but held off.
    std::int64_t nextLookUs(std::int64_t idleNowUs) const;

private:
    bool anyLock() const { return locked_ || sessionLocked_; }

    std::int64_t idleUs_;
    bool idle_ = false;
    bool inhibited_ = false;
    bool locked_ = false;
    bool sessionLocked_ = false;
    bool playing_ = false;
};

/// Runs a launch on a seed, the program having drawn it itself or not; returns the exit status.
using SaverRun = std::function<int(const Launch& launch, std::uint64_t seed, bool drawnSeed)>;

/// Plays one saver the watcher starts: the idle launch's full-screen saver (saverOf) on a seed of its own
/// (fresh() unless the launch sets one), through run, telling the watcher it started and ended; returns
/// run's status.
int playIdleSaver(IdleWatcher& watcher, const Launch& idle, std::uint64_t (*fresh)(), const SaverRun& run);

}  // namespace pellwick
