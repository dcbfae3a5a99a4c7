// What every full-screen saver does, on every platform, written once: a game on every monitor, each on
// its own seed, the line that names a seed the saver drew, and which input ends the games on all monitors.
#pragma once

#include <cstdint>
#include <string>

#include "app/input.hpp"

namespace pellwick {

/// How far the pointer may wander from where it was first seen before a full-screen saver ends, in device pixels.
constexpr int MOVE_TOLERANCE = 4;

/// The rules a full-screen saver keeps across all its monitors. A host numbers its monitors as it likes
/// (an index, a surface's address); positions are in that monitor's device pixels, or in one space for
/// every monitor where the platform gives one (then every position may name monitor 0).
class SaverPolicy {
public:
    /// A saver playing the run of `seed`.
    explicit SaverPolicy(std::uint64_t seed) : nextSeed_(seed) {}

    /// The seed of the next monitor's game: the run's own for the first, then one more for each after it,
    /// so that monitor n of a run plays seed + n (modulo 2^64).
    std::uint64_t nextSeed() { return nextSeed_++; }

    /// Where the pointer is when the saver starts, where the platform can tell before it moves.
    void pointerStartsAt(std::uintptr_t monitor, int x, int y);

    /// Whether an input ends the saver on every monitor: any key, any press or release of a button, a close,
    /// and a pointer further than MOVE_TOLERANCE along either axis from where it was first seen, or seen on
    /// another monitor than that. A resize ends nothing.
    bool ends(const Input& input, std::uintptr_t monitor);

private:
    std::uint64_t nextSeed_;
    bool pointerSeen_ = false;
    std::uintptr_t monitor_ = 0;
    int x_ = 0;
    int y_ = 0;
};

/// One line naming a seed a saver drew for itself, so that a run someone liked can be played again.
std::string drawnSeedLine(std::uint64_t seed);

}  // namespace pellwick
