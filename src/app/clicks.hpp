// Double-clicks for a platform that reports presses without counting them (Wayland): the app core decides
// which presses are quick and close enough to count as one more in a row.
#pragma once

#include <cstdint>

#include "app/input.hpp"

namespace pellwick {

/// How soon after a press, and how near it, the next press of that button counts one more: the usual
/// desktop settings (Windows' and GTK's defaults lie at 400-500 ms and 4-5 pixels).
constexpr std::int64_t DOUBLE_CLICK_US = 500'000;
constexpr int DOUBLE_CLICK_DISTANCE = 4;

/// Counts the presses in a row at one spot, as platforms with a click count do.
class ClickCounter {
public:
    /// The click count of a press of b at (x, y), in device pixels, at atUs (the event's own time): 1, or
    /// one more than the last press's when that was the same button, at most DOUBLE_CLICK_US ago and
    /// DOUBLE_CLICK_DISTANCE pixels away along each axis.
    int press(Button b, int x, int y, std::int64_t atUs);

private:
    int count_ = 0;  // of the last press; 0: none yet
    Button button_ = Button::Left;
    int x_ = 0;
    int y_ = 0;
    std::int64_t at_ = 0;
};

}  // namespace pellwick
