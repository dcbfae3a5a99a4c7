// The game's sine and cosine against MPFR's correctly rounded ones, and the batch form against the scalar.
#include <gtest/gtest.h>
#include <mpfr.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "game/rules.hpp"
#include "game/trig.hpp"

namespace pellwick {
namespace {

// How far ours lies from the correctly rounded result, in doubles, and from the true value, in ulps.
class Tally {
public:
    void add(double ours, const mpfr_t exact) {
        const double rounded = mpfr_get_d(exact, MPFR_RNDN);
        const std::int64_t apart = std::llabs(ordered(ours) - ordered(rounded));
        ++count_;
        correct_ += apart == 0 ? 1 : 0;
        worstApart_ = std::max(worstApart_, apart);
        mpfr_t diff;
        mpfr_init2(diff, 128);
        mpfr_sub_d(diff, exact, ours, MPFR_RNDN);
        const double ulp = std::nextafter(std::fabs(rounded), INFINITY) - std::fabs(rounded);
        worstUlps_ = std::max(worstUlps_, std::fabs(mpfr_get_d(diff, MPFR_RNDN)) / ulp);
        mpfr_clear(diff);
    }
    std::int64_t worstApart() const { return worstApart_; }
    double correctShare() const { return static_cast<double>(correct_) / static_cast<double>(count_); }
    double worstUlps() const { return worstUlps_; }
    void report(const char* what) const {
        std::printf("%s: %llu of %llu correctly rounded (%.4f%%), largest error %.3f ulp\n", what,
                    static_cast<unsigned long long>(correct_), static_cast<unsigned long long>(count_),
                    100.0 * static_cast<double>(correct_) / static_cast<double>(count_), worstUlps_);
    }

private:
    // Doubles in order as whole numbers, so that neighbours differ by one across zero as well.
    static std::int64_t ordered(double d) {
        const auto i = std::bit_cast<std::int64_t>(d);
        return i < 0 ? std::numeric_limits<std::int64_t>::min() - i : i;
    }
    std::uint64_t count_ = 0, correct_ = 0;
    std::int64_t worstApart_ = 0;
    double worstUlps_ = 0;
};

class Accuracy {
public:
    Accuracy() {
        mpfr_inits2(128, x_, s_, c_, static_cast<mpfr_ptr>(nullptr));
    }
    ~Accuracy() { mpfr_clears(x_, s_, c_, static_cast<mpfr_ptr>(nullptr)); }
    void check(double t) {
        mpfr_set_d(x_, t, MPFR_RNDN);
        mpfr_sin_cos(s_, c_, x_, MPFR_RNDN);
        const SinCos ours = sinCos(t);
        sin_.add(ours.sin, s_);
        cos_.add(ours.cos, c_);
    }
    void expectWithinOneUlp(const char* what) {
        sin_.report((std::string(what) + ", sine").c_str());
        cos_.report((std::string(what) + ", cosine").c_str());
        EXPECT_LE(sin_.worstApart(), 1) << what;
        EXPECT_LE(cos_.worstApart(), 1) << what;
    }
    // The accuracy the README promises: correctly rounded at least this often, never this far off.
    void expectAsPromised(double correctShare, double worstUlps) {
        for (const Tally* t : {&sin_, &cos_}) {
            EXPECT_GE(t->correctShare(), correctShare);
            EXPECT_LE(t->worstUlps(), worstUlps);
        }
    }

private:
    mpfr_t x_, s_, c_;
    Tally sin_, cos_;
};

constexpr double GAME_LOW = -25 * DEG_TO_RAD;  // the headings a step can produce, -25 to 385 degrees
constexpr double GAME_HIGH = 385 * DEG_TO_RAD;

// The whole check (make test-trig) takes every 1/1024 degree and 10^7 random headings; the test suite
// a sample of about 10^5: every 1/128 degree and 5 * 10^4 random ones.
#ifdef PELLWICK_TRIG_FULL
constexpr int GRID_STEPS = 1024;
constexpr int RANDOM_ARGUMENTS = 10'000'000;
#else
constexpr int GRID_STEPS = 128;
constexpr int RANDOM_ARGUMENTS = 50'000;
#endif

TEST(Trig, WithinOneUlpEverywhereInTheGamesRangeAndAsAccurateAsPromised) {
    Accuracy grid, random;
    for (int k = -25 * GRID_STEPS; k <= 385 * GRID_STEPS; ++k) grid.check(k / double(GRID_STEPS) * DEG_TO_RAD);  // whole degrees too
    grid.expectWithinOneUlp(("every 1/" + std::to_string(GRID_STEPS) + " degree").c_str());
    std::mt19937_64 gen(20261208);
    std::uniform_real_distribution<double> heading(GAME_LOW, GAME_HIGH);
    for (int n = 0; n < RANDOM_ARGUMENTS; ++n) random.check(heading(gen));
    random.expectWithinOneUlp((std::to_string(RANDOM_ARGUMENTS) + " random arguments").c_str());
    for (Accuracy* a : {&grid, &random}) a->expectAsPromised(0.985, 0.6);
}

TEST(Trig, FarArgumentsAreReducedExactly) {
    Accuracy far;
    std::mt19937_64 gen(7);
    std::uniform_real_distribution<double> mantissa(1, 2);
    std::uniform_int_distribution<int> exponent(-30, 1023);
    for (int n = 0; n < 200'000; ++n) far.check((n % 2 == 0 ? 1 : -1) * std::ldexp(mantissa(gen), exponent(gen)));
    for (double t : {0x1.921fb54442d18p+0, 6381956970095103.0 * 0x1p797, std::numeric_limits<double>::max(), 1e22,
                     std::numeric_limits<double>::denorm_min(), 0x1p-1022}) {
        far.check(t);
        far.check(-t);
    }
    far.expectWithinOneUlp("far and odd arguments");
    EXPECT_TRUE(std::isnan(sinCos(NAN).sin) && std::isnan(sinCos(INFINITY).cos));
    EXPECT_TRUE(std::signbit(sinCos(-0.0).sin));
}

TEST(Trig, BatchIsTheScalarBitForBit) {
    std::vector<double> t;
    std::mt19937_64 gen(1);
    std::uniform_real_distribution<double> heading(GAME_LOW, GAME_HIGH);
    for (int n = 0; n < 1'000'000; ++n) t.push_back(heading(gen));
    // Odd ones among ordinary ones: each lands in a different lane of its group of four.
    const double odd[] = {0.0, -0.0, 1e-300, -0x1p-28, NAN, INFINITY, -INFINITY, 1e300, 0x1p20 * 1.5707963267948966,
                          -0x1p20 * 1.5707963267948966, 1.6e6, 2e6, 3.14159265358979312, 1.5707963267948966};
    for (double v : odd) t.insert(t.end(), {v, 0.5, v, 1.0, 2.0, v});
    std::vector<double> s(t.size()), c(t.size());
    for (std::size_t from : {std::size_t{0}, std::size_t{3}}) {  // groups of four starting anywhere, odd tail
        sinCosBatch(t.data() + from, static_cast<int>(t.size() - from), s.data() + from, c.data() + from);
        for (std::size_t k = from; k < t.size(); ++k) {
            const SinCos r = sinCos(t[k]);
            ASSERT_EQ(std::bit_cast<std::uint64_t>(s[k]), std::bit_cast<std::uint64_t>(r.sin)) << t[k];
            ASSERT_EQ(std::bit_cast<std::uint64_t>(c[k]), std::bit_cast<std::uint64_t>(r.cos)) << t[k];
        }
    }
}

}  // namespace
}  // namespace pellwick
