// The extremes kernel against the in-order rule written out plainly, bit for bit.

#include "trace/model/Extremes.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
const float kNaN = std::numeric_limits<float>::quiet_NaN();

// The rule as stated: a value replaces the maximum only when greater, the minimum only when
// less; with skipInfinite an infinite value takes no part.
void PlainRule(const float* hi, const float* lo, std::size_t n, bool skipInfinite, float& mx,
               float& mn) {
    for (std::size_t i = 0; i < n; ++i) {
        if (!(skipInfinite && std::isinf(hi[i])) && hi[i] > mx) mx = hi[i];
        if (!(skipInfinite && std::isinf(lo[i])) && lo[i] < mn) mn = lo[i];
    }
}

std::vector<float> Awkward(std::size_t n, std::mt19937& rng) {
    const float pool[] = {0.0f, -0.0f, kNaN, kInf, -kInf, 1.0f, -1.0f, 2.5f, -2.5f, 1e-30f};
    std::vector<float> v(n);
    for (float& x : v) x = pool[rng() % std::size(pool)];
    return v;
}

}  // namespace

TEST(Extremes, TheKernelFollowsThePlainRuleForAnyRunStartAndSkip) {
    std::mt19937 rng(17);
    const float starts[][2] = {{-kInf, kInf}, {0.0f, -0.0f}, {-0.0f, 0.0f},
                               {kNaN, kNaN},  {1.0f, 1.0f},  {-3.0f, 3.0f}};
    for (int round = 0; round < 4000; ++round) {
        const std::size_t n = round < 2000 ? static_cast<std::size_t>(round % 41) : rng() % 300;
        const std::size_t skew = rng() % 4;  // unaligned runs
        const std::vector<float> hi = Awkward(n + skew, rng);
        const std::vector<float> lo = rng() % 2 ? hi : Awkward(n + skew, rng);
        const auto& start = starts[rng() % std::size(starts)];
        for (const bool skip : {false, true}) {
            float mx = start[0], mn = start[1], wantMx = start[0], wantMn = start[1];
            PlainRule(hi.data() + skew, lo.data() + skew, n, skip, wantMx, wantMn);
            if (skip)
                ExtremesInOrder<true>(hi.data() + skew, lo.data() + skew,
                                      static_cast<std::int64_t>(n), mx, mn);
            else
                ExtremesInOrder(hi.data() + skew, lo.data() + skew, static_cast<std::int64_t>(n),
                                mx, mn);
            ASSERT_EQ(std::bit_cast<std::uint32_t>(mx), std::bit_cast<std::uint32_t>(wantMx))
                << "round " << round << " skip " << skip;
            ASSERT_EQ(std::bit_cast<std::uint32_t>(mn), std::bit_cast<std::uint32_t>(wantMn))
                << "round " << round << " skip " << skip;
        }
    }
}

TEST(Extremes, ACurveStartsAtItsFirstSampleThatIsNotNaN) {
    const std::vector<float> s = {kNaN, kNaN, -0.0f, 0.0f, 4.0f, kNaN, -1.0f, 0.0f, 0.0f, 0.0f};
    float mn = 0, mx = 0;
    CurveExtremes(s.data(), static_cast<std::int64_t>(s.size()), mn, mx);
    EXPECT_EQ(mn, -1.0f);
    EXPECT_EQ(mx, 4.0f);
    const std::vector<float> zeros = {kNaN, -0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    CurveExtremes(zeros.data(), static_cast<std::int64_t>(zeros.size()), mn, mx);
    EXPECT_TRUE(std::signbit(mn) && std::signbit(mx));  // the first zero met, both ways
    const std::vector<float> none = {kNaN, kNaN};
    CurveExtremes(none.data(), 2, mn, mx);
    EXPECT_TRUE(std::isnan(mn) && std::isnan(mx));
}
