// Counting presses in a row by time and distance.
#include "app/clicks.hpp"

#include <cstdlib>

namespace pellwick {

int ClickCounter::press(Button b, int x, int y, std::int64_t atUs) {
    const bool inARow = count_ > 0 && b == button_ && atUs - at_ <= DOUBLE_CLICK_US && atUs >= at_ &&
                        std::abs(x - x_) <= DOUBLE_CLICK_DISTANCE && std::abs(y - y_) <= DOUBLE_CLICK_DISTANCE;
    count_ = inARow ? count_ + 1 : 1;
    button_ = b;
    x_ = x;
    y_ = y;
    at_ = atUs;
    return count_;
}

}  // namespace pellwick
