// The cadence's grid, the steady clock behind it, and a saver's own games.
#include "app/cadence.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace pellwick {

std::int64_t nowUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

Cadence::Cadence(std::int64_t periodUs) : period_(std::max<std::int64_t>(periodUs, 1)) {}

void Cadence::start(std::int64_t atUs) {
    next_ = started_ ? next_ + period_ : atUs + period_;
    if (next_ <= atUs) next_ = atUs + period_;
    started_ = true;
}

std::int64_t Cadence::until(std::int64_t atUs) const { return due(atUs) ? 0 : next_ - atUs; }

CatchUp::CatchUp(std::int64_t periodUs, int cap) : period_(std::max<std::int64_t>(periodUs, 1)), cap_(std::max(cap, 1)) {}

int CatchUp::due(std::int64_t atUs) {
    if (!started_) {
        started_ = true;
        next_ = atUs + period_;
        return 1;
    }
    if (atUs < next_) return 0;
    const std::int64_t count = (atUs - next_) / period_ + 1;
    if (count > cap_) {
        next_ = atUs + period_;  // what lies beyond the cap is dropped
        return cap_;
    }
    next_ += count * period_;
    return static_cast<int>(count);
}

AutoGames::AutoGames(std::int64_t startUs, const SaverTimes& times)
    : next_(startUs + static_cast<std::int64_t>(std::llround(times.firstGameSeconds * 1e6))),
      every_(times.newGameSeconds > 0 ? std::max<std::int64_t>(std::llround(times.newGameSeconds * 1e6), 1) : 0) {}

bool AutoGames::due(std::int64_t nowUs) {
    if (done_ || nowUs < next_) return false;
    if (every_ <= 0) {
        done_ = true;
        return true;
    }
    next_ += ((nowUs - next_) / every_ + 1) * every_;  // the first due time still ahead
    return true;
}

}  // namespace pellwick
