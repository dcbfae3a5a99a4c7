// Sorting a batch of arguments into buckets by value, and calling the library in that order.
#include "sincos_batch.hpp"

#include <algorithm>
#include <array>
#include <cmath>
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

void sinCosBatch(const double* t, int n, double* s, double* c) {
    std::array<std::uint8_t, kSinCosBatch> bucket;  // only the first n are used, here and in order
    std::array<int, kBuckets + 1> start{};
    for (int k = 0; k < n; ++k) {
        bucket[k] = static_cast<std::uint8_t>(bucketOf(t[k]));
        ++start[bucket[k] + 1];
    }
    for (int b = 0; b < kBuckets; ++b) start[b + 1] += start[b];
    std::array<std::uint8_t, kSinCosBatch> order;
    for (int k = 0; k < n; ++k) order[start[bucket[k]]++] = static_cast<std::uint8_t>(k);
    for (int j = 0; j < n; ++j) {
        const int k = order[j];
        const double sk = std::sin(t[k]), ck = std::cos(t[k]);  // one call to the library's sincos
        s[k] = sk;
        c[k] = ck;
    }
}

}  // namespace pellwick
