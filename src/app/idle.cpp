// The idle watcher's one computed rule: when to look again.
#include "app/idle.hpp"

#include <algorithm>

namespace pellwick {

std::int64_t IdleWatcher::nextLookUs(std::int64_t idleNowUs) const {
    return std::clamp<std::int64_t>(idleUs_ - idleNowUs, 1'000, IDLE_LOOK_US);
}

}  // namespace pellwick
