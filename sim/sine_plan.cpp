// Working out a window of sines and cosines in an order the library's branches predict well.
#include "sine_plan.hpp"

#include <algorithm>
#include <cstdint>

namespace pellwick {

namespace {

constexpr int kBuckets = 64;
// Arguments are headings from -25 to 385 degrees, about -0.45 to 6.75 radians; others share the end buckets.
constexpr double kLow = -0.5;
constexpr double kSpan = 7.5;

int bucketOf(double t) {
    const double b = (t - kLow) * (kBuckets / kSpan);
    return b > 0 ? std::min(static_cast<int>(b), kBuckets - 1) : 0;  // NaN goes to bucket 0
}

}  // namespace

void SinePlan::plan(const double* args, int first, int n) {
    first_ = first;
    end_ = first + n;
    std::array<std::uint8_t, kWindow> bucket;  // only the first n are used, here and in order
    std::array<int, kBuckets + 1> start{};
    for (int k = 0; k < n; ++k) {
        arg_[k] = args[k];
        bucket[k] = static_cast<std::uint8_t>(bucketOf(args[k]));
        ++start[bucket[k] + 1];
    }
    for (int b = 0; b < kBuckets; ++b) start[b + 1] += start[b];
    std::array<std::uint8_t, kWindow> order;
    for (int k = 0; k < n; ++k) order[start[bucket[k]]++] = static_cast<std::uint8_t>(k);
    for (int j = 0; j < n; ++j) {
        const int k = order[j];
        const double t = arg_[k];
        const double s = std::sin(t), c = std::cos(t);  // one call to the library's sincos
        sin_[k] = s;
        cos_[k] = c;
    }
}

}  // namespace pellwick
