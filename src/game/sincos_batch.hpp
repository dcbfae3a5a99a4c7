// Sines and cosines of a batch of arguments, worked out in an order that suits the library: its branches
// follow the size and quadrant of the argument, and calls sorted by those are predicted well, while calls in
// any other order are not.
#pragma once

namespace pellwick {

/// Largest batch sinCosBatch takes.
constexpr int SIN_COS_BATCH = 255;

/// Sets s[k] and c[k] to the library's sin(t[k]) and cos(t[k]) for 0 <= k < n (n <= SIN_COS_BATCH).
void sinCosBatch(const double* t, int n, double* s, double* c);

}  // namespace pellwick
