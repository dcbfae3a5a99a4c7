// The game's own sine and cosine. They use IEEE double +, -, * and / alone, in a fixed order, so their bits
// are the same on every machine and compiler that keeps the build's flags (no contraction, no fast-math,
// SSE2 on 32-bit x86). Every sine and cosine the game computes comes through here.
#pragma once

namespace pellwick {

struct SinCos {
    double sin;
    double cos;
};

/// sin(t) and cos(t) of t radians, within one unit in the last place of the correctly rounded values.
/// Arguments beyond about 1.6e6 in size take a slower, exact reduction; NaN and infinities give NaN.
SinCos sinCos(double t);

/// s[k], c[k] = sinCos(t[k]) for 0 <= k < n, bit for bit, several arguments at a time.
void sinCosBatch(const double* t, int n, double* s, double* c);

}  // namespace pellwick
