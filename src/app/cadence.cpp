// The cadence's grid and the steady clock behind it.
#include "app/cadence.hpp"

#include <algorithm>
#include <chrono>

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

}  // namespace pellwick
