// A world's exact state: a digest of it, for telling whether two builds or two runs agree beyond the picture,
// and a comparison of two worlds part by part.
#pragma once

#include <cstdint>
#include <string>

#include "game/world.hpp"

namespace pellwick {

/// FNV-1a over the exact bits of the walker arrays, the random source's state and the field (its size and
/// every pixel), each value's bytes lowest first, so the digest is the same on every machine.
std::uint64_t stateDigest(const World& w);

/// The digest as 16 lower-case hex digits.
std::string digestText(std::uint64_t digest);

/// The first part in which two worlds differ, to the last bit ("field", "x", "y", "angle", "energy", "team",
/// "random" or "deaths"), or "" when they hold exactly the same state.
std::string stateDifference(const World& a, const World& b);

}  // namespace pellwick
