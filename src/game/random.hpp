// The game's random source: PCG32 (XSH RR), giving 24-bit floats in [0, 1); seed 0 is the game's own fixed
// stream, and any other seed selects another, the same on every machine.
#pragma once

#include <cstdint>

namespace pellwick {

class Random {
public:
    /// The stream for a seed. Seed 0 starts from PCG32's reference initializer. Any other seed s is spread
    /// by SplitMix64 into two words, a = mix(s) and b = mix(a's successor), and seeds PCG32 as its reference
    /// srandom(a, b) does: increment 2b + 1, state 0, one step, state + a, one step.
    explicit Random(std::uint64_t seed = 0) {
        if (seed == 0) return;
        std::uint64_t gamma = seed;
        const std::uint64_t initState = splitMix(gamma);
        const std::uint64_t initSequence = splitMix(gamma);
        increment_ = (initSequence << 1U) | 1U;
        state_ = 0;
        step();
        state_ += initState;
        step();
    }

    /// Next value in [0, 1): a whole multiple of 2^-24, exact as a float.
    float next() {
        const std::uint64_t old = state_;
        step();
        const auto xorshifted = static_cast<std::uint32_t>(((old >> 18U) ^ old) >> 27U);
        const auto rot = static_cast<std::uint32_t>(old >> 59U);
        const std::uint32_t out = (xorshifted >> rot) | (xorshifted << ((32U - rot) & 31U));
        return static_cast<float>(out >> 8U) * 0x1p-24F;
    }

    /// Internal state, for tests and diagnostics.
    std::uint64_t state() const { return state_; }

private:
    void step() { state_ = state_ * 6364136223846793005ULL + increment_; }

    // SplitMix64: adds the golden gamma to s and returns a mix of the result.
    static std::uint64_t splitMix(std::uint64_t& s) {
        s += 0x9E3779B97F4A7C15ULL;
        std::uint64_t z = s;
        z = (z ^ (z >> 30U)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27U)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31U);
    }

    std::uint64_t state_ = 0x853c49e6748fea9bULL;
    std::uint64_t increment_ = 0xda3e39cb94b95bdbULL;
};

}  // namespace pellwick
