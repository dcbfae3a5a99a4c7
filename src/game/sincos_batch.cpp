// Sorting a batch of arguments into buckets by value, and calling the library in that order.
#include "game/sincos_batch.hpp"

#include <algorithm>
#include <array>
#include <cstdint>

#include "game/trig.hpp"

namespace pellwick {

namespace {

constexpr int BUCKETS = 64;
// Arguments are headings from -25 to 385 degrees, about -0.45 to 6.75 radians; others share the end buckets.
constexpr double LOW = -0.5;
constexpr double SPAN = 7.5;

int bucketOf(double t) {
    const double b = (t - LOW) * (BUCKETS / SPAN);
    return b > 0 ? std::min(static_cast<int>(b), BUCKETS - 1) : 0;  // NaN goes to bucket 0
}

}  // namespace

void sinCosBatch(const double* t, int n, double* s, double* c) {
    std::array<std::uint8_t, SIN_COS_BATCH> bucket;  // only the first n are used, here and in order
    std::array<int, BUCKETS + 1> start{};
    for (int k = 0; k < n; ++k) {
        bucket[k] = static_cast<std::uint8_t>(bucketOf(t[k]));
        ++start[bucket[k] + 1];
    }
    for (int b = 0; b < BUCKETS; ++b) start[b + 1] += start[b];
    std::array<std::uint8_t, SIN_COS_BATCH> order;
    for (int k = 0; k < n; ++k) order[start[bucket[k]]++] = static_cast<std::uint8_t>(k);
    for (int j = 0; j < n; ++j) {
        const int k = order[j];
        const double sk = gameSin(t[k]), ck = gameCos(t[k]);  // one call to the library's sincos
        s[k] = sk;
        c[k] = ck;
    }
}

}  // namespace pellwick
