// Sine and cosine from +, -, * and / alone. An argument is reduced by the nearest whole number of quarter
// turns to a double-double in [-pi/4, pi/4], whose sine and cosine come from short polynomials (the minimax
// kernels of the public-domain fdlibm, in their FreeBSD form); the quarter picks and signs the results.
// The reduction for ordinary arguments and the kernels are written once, for one double or a vector of
// them, so the batch form and the scalar one do exactly the same arithmetic.
#include "game/trig.hpp"

#include <cstdint>
#include <cstring>
#include <limits>

namespace pellwick {

namespace {

// Adding and subtracting this rounds a double below 2^51 in size to a whole number.
constexpr double ROUNDER = 0x1.8p52;
constexpr double INV_PIO2 = 6.36619772367581382433e-01;  // 2/pi
// pi/2 = PIO2_1 + PIO2_2 + PIO2_3 + PIO2_3T; the first three have 33 bits, so n * PIO2_k is exact for n < 2^20.
constexpr double PIO2_1 = 1.57079632673412561417e+00;
constexpr double PIO2_2 = 6.07710050630396597660e-11;
constexpr double PIO2_3 = 2.02226624871116645580e-21;
constexpr double PIO2_3T = 8.47842766036889956997e-32;
// Arguments below this size are reduced the ordinary way: 2^20 quarter turns.
constexpr double MEDIUM_LIMIT = 0x1p20 * 1.5707963267948966;
// Below this size sin(t) rounds to t.
constexpr double TINY = 0x1p-27;

constexpr double S1 = -1.66666666666666324348e-01;
constexpr double S2 = 8.33333333332248946124e-03;
constexpr double S3 = -1.98412698298579493134e-04;
constexpr double S4 = 2.75573137070700676789e-06;
constexpr double S5 = -2.50507602534068634195e-08;
constexpr double S6 = 1.58969099521155010221e-10;

constexpr double C1 = 4.16666666666666019037e-02;
constexpr double C2 = -1.38888888888741095749e-03;
constexpr double C3 = 2.48015872894767294178e-05;
constexpr double C4 = -2.75573143513906633035e-07;
constexpr double C5 = 2.08757232129817482790e-09;
constexpr double C6 = -1.13596475577881948265e-11;

// The helpers are inlined by force: an out-of-line copy would pass vectors by another convention than the
// AVX2 copy of the batch expects.
#define TRIG_INLINE [[gnu::always_inline]] inline
#pragma GCC diagnostic ignored "-Wpsabi"  // about those conventions, which no call here uses

// a * b == p + e exactly, by Veltkamp's split (no fused multiply-add).
template <class V, class B>
TRIG_INLINE void exactProduct(V a, B b, V& p, V& e) {
    constexpr double SPLITTER = 134217729.0;  // 2^27 + 1
    const V ca = SPLITTER * a;
    const V ah = ca - (ca - a), al = a - ah;
    const B cb = SPLITTER * b;
    const B bh = cb - (cb - b), bl = b - bh;
    p = a * b;
    e = (((ah * bh - p) + ah * bl) + al * bh) + al * bl;
}

// sin(x + y) for a double-double x + y with |x| <= about pi/4 and |y| below half an ulp of x. The
// leading terms, x and S1 * x^3, are added exactly, so their roundings do not reach the result.
template <class V>
TRIG_INLINE V kernelSin(V x, V y) {
    V z, zl, v, vl, t, tl;
    exactProduct(x, x, z, zl);
    exactProduct(z, x, v, vl);  // x^3 == v + vl + zl * x, to well below an ulp of it
    exactProduct(v, S1, t, tl);
    const V w = z * z;
    const V r = S2 + z * (S3 + z * S4) + z * w * (S5 + z * S6);
    const V head = x + t;  // |t| < |x| / 10, so (x - head) + t is what the sum lost
    const V low = (((x - head) + t) + (tl + S1 * (vl + zl * x))) + ((y - 0.5 * z * y) + z * v * r);
    return head + low;
}

// cos(x + y), likewise. x * x is kept exactly (z + zl): its rounding would otherwise cost up to half
// an ulp of the result.
template <class V>
TRIG_INLINE V kernelCos(V x, V y) {
    V z, zl;
    exactProduct(x, x, z, zl);
    const V w = z * z;
    const V r = z * (C1 + z * (C2 + z * C3)) + w * w * (C4 + z * (C5 + z * C6));
    const V hz = 0.5 * z;
    const V u = 1.0 - hz;
    return u + (((1.0 - u) - hz) + ((z * r - x * y) - 0.5 * zl));
}

// The sine and cosine of mq * pi/2 + (y0 + y1), for a quarter count mq of 0 to 3.
template <class V>
TRIG_INLINE void fromQuarter(V mq, V y0, V y1, V& s, V& c) {
    const V ks = kernelSin(y0, y1);
    const V kc = kernelCos(y0, y1);
    const auto odd = (mq == 1.0) | (mq == 3.0);
    const V sinAbs = odd ? kc : ks;
    const V cosAbs = odd ? ks : kc;
    s = mq >= 2.0 ? -sinAbs : sinAbs;
    c = ((mq == 1.0) | (mq == 2.0)) ? -cosAbs : cosAbs;
}

// sin and cos of x, |x| < MEDIUM_LIMIT. Every step but the kernels' is exact or an exact error term.
template <class V>
TRIG_INLINE void medium(V x, V& s, V& c) {
    const V n = (x * INV_PIO2 + ROUNDER) - ROUNDER;  // the nearest whole number of quarter turns
    const V a = x - n * PIO2_1;                      // exact
    const V b = n * PIO2_2;                          // exact
    const V r1 = a - b;
    const V e1 = (a - r1) - b;  // a - b == r1 + e1 exactly
    const V d = n * PIO2_3;     // exact
    const V r2 = r1 - d;
    const V e2 = (r1 - r2) - d;  // r1 - d == r2 + e2 exactly
    const V tail = (e1 + e2) - n * PIO2_3T;
    const V y0 = r2 + tail;
    const V y1 = (r2 - y0) + tail;
    // n modulo 4, found without leaving doubles: (n - 1.5) / 4 lies within 3/8 of floor(n / 4).
    const V quarters = ((n - 1.5) * 0.25 + ROUNDER) - ROUNDER;
    fromQuarter(n - 4.0 * quarters, y0, y1, s, c);
    s = ((x < TINY) & (x > -TINY)) ? x : s;  // keeps the sign of -0
}

// ---- Arguments of any size: the exact reduction (Payne and Hanek), one at a time.

// 2/pi in binary, 32 bits a word, from the first bit after the point; enough for every finite double.
constexpr std::uint32_t TWO_OVER_PI[] = {
    0xA2F9836E, 0x4E441529, 0xFC2757D1, 0xF534DDC0, 0xDB629599, 0x3C439041, 0xFE5163AB, 0xDEBBC561,
    0xB7246E3A, 0x424DD2E0, 0x06492EEA, 0x09D1921C, 0xFE1DEB1C, 0xB129A73E, 0xE88235F5, 0x2EBB4484,
    0xE99C7026, 0xB45F7E41, 0x3991D639, 0x835339F4, 0x9C845F8B, 0xBDF9283B, 0x1FF897FF, 0xDE05980F,
    0xEF2F118B, 0x5A0A6D1F, 0x6D367ECF, 0x27CB09B7, 0x4F463F66, 0x9E5FEA2D, 0x7527BAC7, 0xEBE5F17B,
    0x3D0739F7, 0x8A5292EA, 0x6BFB5FB1, 0x1F8D5D08, 0x56033046, 0xFC7B6BAB, 0xF0CFBC20, 0x9AF4361D,
};
constexpr int WINDOW_WORDS = 8;  // words of 2/pi multiplied per argument: 256 bits
constexpr double PIO2_HI = 0x1.921fb54442d18p+0;
constexpr double PIO2_LO = 0x1.1a62633145c07p-54;

// A product of whole numbers in 32-bit words, lowest first.
struct Wide {
    std::uint32_t word[WINDOW_WORDS + 3] = {};  // the product needs WINDOW_WORDS + 2; one more reads as zero
    // Bits from..from+31.
    std::uint32_t bits32(int from) const {
        const int w = from / 32, shift = from % 32;
        const std::uint64_t pair = (static_cast<std::uint64_t>(word[w + 1]) << 32) | word[w];
        return static_cast<std::uint32_t>(pair >> shift);
    }
};

// mantissa * (the window of 2/pi starting at word first).
Wide multiplyWindow(std::uint64_t mantissa, int first) {
    Wide p;
    const std::uint32_t m[2] = {static_cast<std::uint32_t>(mantissa), static_cast<std::uint32_t>(mantissa >> 32)};
    for (int j = 0; j < WINDOW_WORDS; ++j) {
        const std::uint64_t w = TWO_OVER_PI[first + WINDOW_WORDS - 1 - j];  // j-th lowest word of the window
        std::uint64_t carry = 0;
        for (int i = 0; i < 2; ++i) {
            const std::uint64_t t = w * m[i] + p.word[i + j] + carry;
            p.word[i + j] = static_cast<std::uint32_t>(t);
            carry = t >> 32;
        }
        p.word[j + 2] = static_cast<std::uint32_t>(carry);
    }
    return p;
}

// sin and cos of any finite x, |x| >= MEDIUM_LIMIT.
SinCos large(double x) {
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const int exponent = static_cast<int>((bits >> 52) & 0x7FF) - 1075;  // |x| = mantissa * 2^exponent
    const std::uint64_t mantissa = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
    // Words of 2/pi whose products with the mantissa are whole multiples of 4 quarter turns are left out.
    const int first = exponent >= 2 ? (exponent - 2) / 32 : 0;
    const Wide p = multiplyWindow(mantissa, first);
    const int point = 32 * (first + WINDOW_WORDS) - exponent;  // the bit of p worth one quarter turn
    std::uint32_t quarter = p.bits32(point) & 3;
    // The fraction of a quarter turn as four 32-bit words, taken to [-1/2, 1/2) by two's complement.
    std::uint32_t f[4];
    for (int k = 0; k < 4; ++k) f[k] = p.bits32(point - 32 * (4 - k));
    const bool negative = (f[3] >> 31) != 0;
    if (negative) {
        quarter = (quarter + 1) & 3;
        std::uint64_t borrow = 1;
        for (std::uint32_t& w : f) {
            const std::uint64_t t = static_cast<std::uint64_t>(static_cast<std::uint32_t>(~w)) + borrow;
            w = static_cast<std::uint32_t>(t);
            borrow = t >> 32;
        }
    }
    // The fraction as a double-double, then times pi/2.
    const double hi = static_cast<double>(f[3]) * 0x1p-32, mid = static_cast<double>(f[2]) * 0x1p-64;
    const double sum = hi + mid;
    const double lo = ((hi - sum) + mid) + (static_cast<double>(f[1]) * 0x1p-96 + static_cast<double>(f[0]) * 0x1p-128);
    double y0, y1;
    exactProduct(sum, PIO2_HI, y0, y1);
    y1 = y1 + (sum * PIO2_LO + lo * PIO2_HI);
    const double r0 = y0 + y1, r1 = (y0 - r0) + y1;
    const double sign = negative ? -1.0 : 1.0;
    double s, c;  // of |x|
    fromQuarter(static_cast<double>(quarter), sign * r0, sign * r1, s, c);
    return {x < 0 ? -s : s, c};
}

SinCos anySize(double x) {
    if (!(x - x == 0)) return {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()};
    return large(x);
}

typedef double Doubles4 __attribute__((vector_size(32)));

// Four arguments at once when all are of ordinary size; otherwise one at a time.
#if defined(__x86_64__) && defined(__linux__) && !defined(__clang__)
__attribute__((target_clones("avx2", "default")))
#endif
void batch4(const double* t, int n, double* s, double* c) {
    int k = 0;
    for (; k + 4 <= n; k += 4) {
        Doubles4 x;
        std::memcpy(&x, t + k, sizeof x);
        const auto ordinary = (x < MEDIUM_LIMIT) & (x > -MEDIUM_LIMIT);
        if (ordinary[0] & ordinary[1] & ordinary[2] & ordinary[3]) {
            Doubles4 vs, vc;
            medium(x, vs, vc);
            std::memcpy(s + k, &vs, sizeof vs);
            std::memcpy(c + k, &vc, sizeof vc);
        } else {
            for (int j = k; j < k + 4; ++j) {
                const SinCos r = sinCos(t[j]);
                s[j] = r.sin;
                c[j] = r.cos;
            }
        }
    }
    for (; k < n; ++k) {
        const SinCos r = sinCos(t[k]);
        s[k] = r.sin;
        c[k] = r.cos;
    }
}

}  // namespace

SinCos sinCos(double t) {
    if (!(t < MEDIUM_LIMIT && t > -MEDIUM_LIMIT)) [[unlikely]] return anySize(t);
    SinCos r;
    medium(t, r.sin, r.cos);
    return r;
}

void sinCosBatch(const double* t, int n, double* s, double* c) { batch4(t, n, s, c); }

}  // namespace pellwick
