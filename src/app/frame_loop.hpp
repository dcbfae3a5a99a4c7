// The display side of every desktop backend, written once: platform events go to the game thread as they
// come, and a frame is shown at the display's refresh rate.
#pragma once

#include <cstdint>

#include "app/runner.hpp"

namespace pellwick {

/// What a backend gives the frame loop: its events, translated, and a way to show a frame.
class Display {
public:
    virtual ~Display() = default;
    /// Waits up to waitMs for platform events, and posts each one that came to the runner as an Input; a
    /// screen that lost what it showed (uncovered, or made anew) is told to the runner's screenLost.
    virtual void pumpEvents(int waitMs, AppRunner& runner) = 0;
    /// The image the game thread is to draw the next frame into, width x height where it can be: the
    /// screen's own memory, free until present or canvas is called again.
    virtual Canvas canvas(int width, int height) = 0;
    /// Puts the frame's rectangles of the last canvas on the screen, and nothing else. When it returns, the
    /// canvas may be written again.
    virtual void present(const Frame& frame) = 0;
};

/// How long a display waits for the game thread to finish a frame before it goes on without one.
constexpr std::int64_t FRAME_WAIT_US = 20'000;

/// The refresh rate assumed where the platform does not tell.
constexpr int DEFAULT_REFRESH_HZ = 60;

/// Microseconds between frames at refreshHz (DEFAULT_REFRESH_HZ when it is not positive).
std::int64_t framePeriodUs(int refreshHz);

/// Runs until the program ends: pumps events and shows a frame every framePeriod microseconds.
void runFrameLoop(AppRunner& runner, Display& display, std::int64_t framePeriod);

}  // namespace pellwick
