// The game's random source: PCG32 (XSH RR) from a fixed start, giving 24-bit floats in [0, 1).
#pragma once

#include <cstdint>

namespace pellwick {

class Random {
public:
    /// Next value in [0, 1): a whole multiple of 2^-24, exact as a float.
    float next() {
        const std::uint64_t old = state_;
        state_ = old * 6364136223846793005ULL + increment_;
        const auto xorshifted = static_cast<std::uint32_t>(((old >> 18U) ^ old) >> 27U);
        const auto rot = static_cast<std::uint32_t>(old >> 59U);
        const std::uint32_t out = (xorshifted >> rot) | (xorshifted << ((32U - rot) & 31U));
        return static_cast<float>(out >> 8U) * 0x1p-24F;
    }

    /// Internal state, for tests and diagnostics.
    std::uint64_t state() const { return state_; }

private:
    std::uint64_t state_ = 0x853c49e6748fea9bULL;
    std::uint64_t increment_ = 0xda3e39cb94b95bdbULL;
};

}  // namespace pellwick
