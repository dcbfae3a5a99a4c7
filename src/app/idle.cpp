// The idle watcher's computed rule, when to look again, and the play of one saver it starts.
#include "app/idle.hpp"

#include <algorithm>

namespace pellwick {

std::int64_t IdleWatcher::nextLookUs(std::int64_t idleNowUs) const {
    if (idleNowUs >= idleUs_) return IDLE_LOOK_US;
    return std::clamp<std::int64_t>(idleUs_ - idleNowUs, 1'000, IDLE_LONGEST_LOOK_US);
}

int playIdleSaver(IdleWatcher& watcher, const Launch& idle, std::uint64_t (*fresh)(), const SaverRun& run) {
    watcher.saverStarted();
    bool drawn = false;
    const Launch saver = saverOf(idle);
    const std::uint64_t seed = seedFor(saver, fresh, drawn);
    const int status = run(saver, seed, drawn);
    watcher.saverEnded();
    return status;
}

}  // namespace pellwick
