// A digest of a world's exact state, for telling whether two builds or two runs agree beyond the picture.
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

}  // namespace pellwick
