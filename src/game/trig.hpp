// Sines and cosines for the game: every one the game computes comes through here.
#pragma once

#include <cmath>

namespace pellwick {

/// sin(t) of an angle t in radians.
inline double gameSin(double t) { return std::sin(t); }
/// cos(t) of an angle t in radians.
inline double gameCos(double t) { return std::cos(t); }

}  // namespace pellwick
