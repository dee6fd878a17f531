#pragma once
// The one rule every search for extremes follows, the in-order rule: from a starting maximum
// and minimum, a value replaces the maximum only when it is greater, the minimum only when
// it is less. So NaN never enters, and among equal values (+0 and -0) the first one met
// stays. ExtremesInOrder is its kernel: the display columns' pyramid, range completion, the
// curve dialog, `tesqv-cli info`, the statistics and the CSV reader's ranges all call it.

#include <cstdint>
#include <functional>
#include <limits>

class CCurveSamples;

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace extremes_detail {

template <bool SkipInfinite>
inline bool Skipped(float x) {
    return SkipInfinite && (x == std::numeric_limits<float>::infinity() ||
                            x == -std::numeric_limits<float>::infinity());
}

template <bool SkipInfinite>
inline void Scalar(const float* hi, const float* lo, std::int64_t n, float& mx, float& mn) {
    for (std::int64_t i = 0; i < n; ++i) {
        if (hi[i] > mx && !Skipped<SkipInfinite>(hi[i])) mx = hi[i];
        if (lo[i] < mn && !Skipped<SkipInfinite>(lo[i])) mn = lo[i];
    }
}

// The first zero of the run as it was met: the start when that is a zero, else the first
// zero among the values. A zero extreme is that one, whatever sign the lanes kept.
inline float FirstZero(float start, const float* v, std::int64_t n) {
    if (start == 0.0f) return start;
    for (std::int64_t i = 0; i < n; ++i)
        if (v[i] == 0.0f) return v[i];
    return start;
}

}  // namespace extremes_detail

// Carries the rule on over hi[0..n) for the maximum and lo[0..n) for the minimum (the same
// array for samples; a pyramid level's block maxima and minima otherwise). mx and mn hold
// where the run starts: a first sample, or -inf and +inf to let NaN take no part from the
// start. SkipInfinite: infinite values take no part either, as NaN does.
//
// Eight lanes at a time where SSE2 is there: maxps(x, m) is exactly "x > m ? x : m", NaN
// included, so each lane follows the rule from the same start; equal non-zero floats are
// identical, so the lanes combine in any order, and a zero result is put back to the first
// zero met.
template <bool SkipInfinite = false>
inline void ExtremesInOrder(const float* hi, const float* lo, std::int64_t n, float& mx,
                            float& mn) {
#if defined(__SSE2__)
    if (n >= 8) {
        const float mx0 = mx, mn0 = mn;
        __m128 a0 = _mm_set1_ps(mx), a1 = a0, b0 = _mm_set1_ps(mn), b1 = b0;
        const __m128 inf = _mm_set1_ps(std::numeric_limits<float>::infinity());
        const __m128 sign = _mm_set1_ps(-0.0f);
        const __m128 nan = _mm_set1_ps(std::numeric_limits<float>::quiet_NaN());
        // An infinite value becomes NaN, which then never enters.
        const auto load = [&](const float* p) {
            const __m128 x = _mm_loadu_ps(p);
            if constexpr (!SkipInfinite) return x;
            const __m128 infinite = _mm_cmpeq_ps(_mm_andnot_ps(sign, x), inf);
            return _mm_or_ps(_mm_andnot_ps(infinite, x), _mm_and_ps(infinite, nan));
        };
        std::int64_t i = 0;
        for (; i + 8 <= n; i += 8) {
            a0 = _mm_max_ps(load(hi + i), a0);
            a1 = _mm_max_ps(load(hi + i + 4), a1);
            b0 = _mm_min_ps(load(lo + i), b0);
            b1 = _mm_min_ps(load(lo + i + 4), b1);
        }
        alignas(16) float lanes[8];
        _mm_store_ps(lanes, _mm_max_ps(a1, a0));
        _mm_store_ps(lanes + 4, _mm_min_ps(b1, b0));
        for (int l = 0; l < 4; ++l) {
            if (lanes[l] > mx) mx = lanes[l];
            if (lanes[4 + l] < mn) mn = lanes[4 + l];
        }
        extremes_detail::Scalar<SkipInfinite>(hi + i, lo + i, n - i, mx, mn);
        if (mx == 0.0f) mx = extremes_detail::FirstZero(mx0, hi, n);
        if (mn == 0.0f) mn = extremes_detail::FirstZero(mn0, lo, n);
        return;
    }
#endif
    extremes_detail::Scalar<SkipInfinite>(hi, lo, n, mx, mn);
}

// A curve's smallest and largest sample, as range completion, `tesqv-cli info` and the
// curve dialog show them: the rule started at the first sample that is not NaN, so NaN
// samples take no part unless every sample is NaN (then both are NaN). n >= 1. checkpoint()
// between pieces of a long curve; it may throw (a cancel).
void CurveExtremes(const float* s, std::int64_t n, float& mn, float& mx,
                   const std::function<void()>& checkpoint = {});
// The same over a curve however its samples are held.
void CurveExtremes(const CCurveSamples& s, std::int64_t n, float& mn, float& mx,
                   const std::function<void()>& checkpoint = {});
