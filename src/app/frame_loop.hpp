// The display side of every desktop host (the SDL window, the X11 savers, Wayland, Win32), written once:
// platform events go to the game threads as they come, and each screen is handed a frame when it can take
// one, at its refresh rate or when its compositor asks (a frame callback), and only while it can be seen.
// A host only translates events and puts frames on its screens.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>

#include "app/runner.hpp"

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

/// One screen a game is shown on: the canvas it lends the game thread each frame, and how it shows one.
class Screen {
public:
    explicit Screen(FramePacer pacer) : pacer(pacer) {}
    virtual ~Screen() = default;
    /// The game shown on this screen; null until it has one.
    virtual AppRunner* runner() = 0;
    /// The image the game thread is to draw the next frame into, width x height where it can be: the
    /// screen's own memory, free until present or canvas is called again; none (no pixels) to skip a frame.
    virtual Canvas canvas(int width, int height) = 0;
    /// Puts the frame's rectangles of the last canvas on the screen, and nothing else. When it returns, the
    /// canvas may be written again. A screen paced by callbacks calls pacer.committed() when it asked for one.
    virtual void present(const Frame& frame) = 0;

    FramePacer pacer;
    /// Whether anything of the screen can be seen (not minimised, not wholly covered): one that cannot gets
    /// no frames, and its game keeps time on its own. The host keeps it; when it turns true again, the
    /// host tells the runner the screen lost what it showed. A screen paced by callbacks also counts as
    /// unseen while its compositor leaves its frames unanswered.
    bool shown = true;
};

/// What a host gives the frame loop: its events, translated, and its screens.
class Display {
public:
    virtual ~Display() = default;
    /// Waits up to waitMs for platform events and handles each that came: input to the runners, a screen
    /// that lost what it showed (uncovered, made anew) to its runner's screenLost, a compositor's frame
    /// callback to its screen's pacer.
    virtual void pumpEvents(int waitMs) = 0;
    /// Calls f on each screen shown now; screens may come and go between two pumps.
    virtual void forEachScreen(const std::function<void(Screen&)>& f) = 0;
    /// Whether the program goes on.
    virtual bool goesOn() = 0;
    /// Whether the machine runs on battery power, where the platform tells; asked once a round.
    virtual bool onBattery() { return false; }
};

/// Runs until the display says the program ends: sets each game's pace from the settings (rest, battery)
/// and whether its screen is seen,
/// pumps events until the next frame is due on some shown screen with a game, and hands each shown screen
/// whose frame is due the frame its game thread drew, asking for the next. The clock is nowUs unless a
/// test gives its own.
void runFrameLoop(Display& display, const Settings& settings, const Clock& clock = nowUs);

}  // namespace pellwick
