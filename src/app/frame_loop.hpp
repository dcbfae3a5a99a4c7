// When a screen takes its frames, for every host: at its refresh rate, or when its compositor asks (a frame
// callback); and how long the frame loop waits for events and for a game's frame.
#pragma once

#include <cstdint>
#include <limits>

#include "app/cadence.hpp"

namespace pellwick {

/// How long a display waits for the game thread to finish a frame before it goes on without one.
constexpr std::int64_t FRAME_WAIT_US = 20'000;

/// The refresh rate assumed where the platform does not tell.
constexpr int DEFAULT_REFRESH_HZ = 60;

/// The longest the loop waits for events before it looks again whether the program goes on, and how the
/// power is; a second while no screen can be seen.
constexpr std::int64_t LONGEST_WAIT_US = 100'000;
constexpr std::int64_t RESTING_WAIT_US = 1'000'000;

/// How long a compositor may leave a committed frame without asking for the next before its screen counts
/// as unseen (covered by a full-screen window, on an output that is off): many refresh periods, so that a
/// busy compositor is not taken for one that stopped drawing the screen.
constexpr std::int64_t UNSEEN_AFTER_US = 250'000;

/// Microseconds between frames at refreshHz (DEFAULT_REFRESH_HZ when it is not positive).
std::int64_t framePeriodUs(int refreshHz);

/// When a screen takes its next frame: every refresh period, or when its compositor asks for one, with
/// a retry a refresh period later when a frame asked for did not reach the screen.
class FramePacer {
public:
    static constexpr std::int64_t NEVER = std::numeric_limits<std::int64_t>::max();

    /// A screen that takes a frame every periodUs.
    static FramePacer everyUs(std::int64_t periodUs) { return FramePacer(periodUs, false); }
    /// A screen whose compositor asks for each frame; the first is due at once.
    static FramePacer onCallback(std::int64_t retryUs) { return FramePacer(retryUs, true); }

    /// The compositor asks for the next frame.
    void callback() {
        waiting_ = false;
        due_ = true;
        retryAt_ = 0;
    }
    /// A frame was put on the screen with a request for the compositor's next callback.
    void committed() { waiting_ = true; }
    /// Microseconds from atUs until the next frame is due: 0 when it is due now, NEVER while the compositor
    /// is to ask.
    std::int64_t until(std::int64_t atUs) const;
    /// A frame was asked for at atUs.
    void framed(std::int64_t atUs);
    /// Whether the compositor has left the last committed frame without asking for the next for
    /// UNSEEN_AFTER_US or more at atUs: it is not drawing the screen.
    bool unanswered(std::int64_t atUs) const { return callbacks_ && waiting_ && atUs - committedAt_ >= UNSEEN_AFTER_US; }

private:
    FramePacer(std::int64_t periodUs, bool callbacks) : period_(periodUs), callbacks_(callbacks), cadence_(periodUs) {}

    std::int64_t period_;
    bool callbacks_;
    Cadence cadence_;        // every period
    bool due_ = true;        // on callbacks: asked for, not yet put on the screen
    bool waiting_ = false;   // on callbacks: committed, waiting to be asked again
    std::int64_t retryAt_ = 0;
    std::int64_t committedAt_ = 0;  // on callbacks: when the frame now waiting was asked for
};

}  // namespace pellwick
