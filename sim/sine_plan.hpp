// The sines and cosines the next few walkers' steps will ask for, worked out ahead in an order that suits
// the library: its branches follow the size and quadrant of the argument, and calls sorted by those are
// predicted well, while calls in walker order are not.
#pragma once

#include <array>
#include <cmath>

namespace pellwick {

class SinePlan {
public:
    static constexpr int kWindow = 64;  // walkers planned at a time; a turn wastes the rest of a window

    /// Forgets every planned value, so the next request starts a new window.
    void clear() { end_ = 0; }
    /// Whether walker i lies beyond the planned window.
    bool needs(int i) const { return i >= end_; }
    /// Plans walkers first..first+n-1 (n <= kWindow), whose arguments (radians) are args[0..n-1].
    void plan(const double* args, int first, int n);
    /// Sine and cosine of t for walker i: from the plan when it foresaw exactly this t, from the library
    /// otherwise.
    void take(int i, double t, double& s, double& c) const {
        if (planned(i, s, c) && arg_[i - first_] == t) return;
        s = std::sin(t);
        c = std::cos(t);
    }
    /// The planned sine and cosine for walker i, if it is in the window; false otherwise.
    bool planned(int i, double& s, double& c) const {
        const int k = i - first_;
        if (k < 0 || k >= end_ - first_) return false;
        s = sin_[k];
        c = cos_[k];
        return true;
    }
    /// Called when walker i drew an extra value: the plan after it is off by one, so it ends there.
    void endAfter(int i) { end_ = i + 1 < end_ ? i + 1 : end_; }

private:
    int end_ = 0;  // walkers below this are planned
    int first_ = 0;
    std::array<double, kWindow> arg_{};
    std::array<double, kWindow> sin_{};
    std::array<double, kWindow> cos_{};
};

}  // namespace pellwick
