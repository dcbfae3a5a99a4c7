// The cadence's grid, the steady clock behind it, and a saver's own games in ticks.
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

std::uint64_t ticksIn(double seconds, int ticksPerSecond) {
    return static_cast<std::uint64_t>(std::llround(seconds * ticksPerSecond));
}

AutoGames::AutoGames(const SaverTimes& times, int ticksPerSecond)
    : first_(ticksIn(times.firstGameSeconds, ticksPerSecond)),
      every_(times.newGameSeconds > 0 ? std::max<std::uint64_t>(ticksIn(times.newGameSeconds, ticksPerSecond), 1) : 0) {}

bool AutoGames::due(std::uint64_t ticksDone) const {
    if (ticksDone < first_) return false;
    if (ticksDone == first_) return true;
    return every_ > 0 && (ticksDone - first_) % every_ == 0;
}

}  // namespace pellwick
