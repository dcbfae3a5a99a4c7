// The pacing of each screen's frames.
#include "app/frame_loop.hpp"

#include <algorithm>

namespace pellwick {

std::int64_t framePeriodUs(int refreshHz) { return 1'000'000 / (refreshHz > 0 ? refreshHz : DEFAULT_REFRESH_HZ); }

std::int64_t FramePacer::until(std::int64_t atUs) const {
    if (!callbacks_) return cadence_.until(atUs);
    return due_ ? std::max<std::int64_t>(retryAt_ - atUs, 0) : NEVER;
}

void FramePacer::framed(std::int64_t atUs) {
    if (!callbacks_) return cadence_.start(atUs);
    if (waiting_) {
        committedAt_ = atUs;
        due_ = false;
        return;
    }
    retryAt_ = atUs + period_;  // nothing reached the screen: try again after a refresh period
}

}  // namespace pellwick
