#include "trace/SelectionStats.h"

#include <algorithm>
#include <cmath>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "trace/tesqDoc.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Sums and extremes of a run, NaN skipped. Sums are of x - shift.
struct Accumulator {
    double sum = 0, sumSquares = 0;
    float min = std::numeric_limits<float>::infinity();
    float max = -std::numeric_limits<float>::infinity();
    std::int64_t nan = 0;
};

void AccumulateScalar(const float* s, std::int64_t n, double shift, Accumulator& a) {
    for (std::int64_t i = 0; i < n; ++i) {
        const float x = s[i];
        if (std::isnan(x)) {
            ++a.nan;
            continue;
        }
        a.min = std::min(a.min, x);
        a.max = std::max(a.max, x);
        const double d = static_cast<double>(x) - shift;
        a.sum += d;
        a.sumSquares += d * d;
    }
}

#if defined(__SSE2__)
// Four floats a step: NaN lanes are masked out of the sums and extremes and counted.
void AccumulateVector(const float* s, std::int64_t n, double shift, Accumulator& a) {
    const __m128 inf = _mm_set1_ps(std::numeric_limits<float>::infinity());
    __m128 mn = inf, mx = _mm_sub_ps(_mm_setzero_ps(), inf);
    const __m128d shift2 = _mm_set1_pd(shift);
    __m128d sumLo = _mm_setzero_pd(), sumHi = sumLo, sqLo = sumLo, sqHi = sumLo;
    __m128i nans = _mm_setzero_si128();
    std::int64_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128 x = _mm_loadu_ps(s + i);
        const __m128 ok = _mm_cmpord_ps(x, x);
        nans = _mm_sub_epi32(
            nans, _mm_castps_si128(_mm_andnot_ps(ok, _mm_castsi128_ps(_mm_set1_epi32(-1)))));
        mn = _mm_min_ps(mn, _mm_or_ps(_mm_and_ps(ok, x), _mm_andnot_ps(ok, inf)));
        mx = _mm_max_ps(
            mx, _mm_or_ps(_mm_and_ps(ok, x), _mm_andnot_ps(ok, _mm_sub_ps(_mm_setzero_ps(), inf))));
        const __m128 xz = _mm_and_ps(ok, x);  // NaN lanes as 0, then their shift taken back
        const __m128d lo = _mm_sub_pd(_mm_cvtps_pd(xz), shift2);
        const __m128d hi = _mm_sub_pd(_mm_cvtps_pd(_mm_movehl_ps(xz, xz)), shift2);
        const __m128 okLoHi = ok;
        const __m128d maskLo = _mm_castps_pd(_mm_unpacklo_ps(okLoHi, okLoHi));
        const __m128d maskHi = _mm_castps_pd(_mm_unpackhi_ps(okLoHi, okLoHi));
        const __m128d dLo = _mm_and_pd(maskLo, lo), dHi = _mm_and_pd(maskHi, hi);
        sumLo = _mm_add_pd(sumLo, dLo);
        sumHi = _mm_add_pd(sumHi, dHi);
        sqLo = _mm_add_pd(sqLo, _mm_mul_pd(dLo, dLo));
        sqHi = _mm_add_pd(sqHi, _mm_mul_pd(dHi, dHi));
    }
    alignas(16) float lanes[8];
    _mm_store_ps(lanes, mn);
    _mm_store_ps(lanes + 4, mx);
    for (int l = 0; l < 4; ++l) {
        a.min = std::min(a.min, lanes[l]);
        a.max = std::max(a.max, lanes[4 + l]);
    }
    alignas(16) double d[8];
    _mm_store_pd(d, sumLo);
    _mm_store_pd(d + 2, sumHi);
    _mm_store_pd(d + 4, sqLo);
    _mm_store_pd(d + 6, sqHi);
    a.sum += (d[0] + d[1]) + (d[2] + d[3]);
    a.sumSquares += (d[4] + d[5]) + (d[6] + d[7]);
    alignas(16) std::int32_t counts[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(counts), nans);
    a.nan += static_cast<std::int64_t>(counts[0]) + counts[1] + counts[2] + counts[3];
    AccumulateScalar(s + i, n - i, shift, a);
}
#endif

}  // namespace

CurveStats ComputeCurveStats(const float* s, std::int64_t n) {
    CurveStats r;
    r.first = s[0];
    r.last = s[n - 1];
    const float* firstNumber = std::find_if(s, s + n, [](float x) { return !std::isnan(x); });
    const double shift = firstNumber != s + n && std::isfinite(*firstNumber) ? *firstNumber : 0.0;
    Accumulator a;
    // The NaN counter of the vector loop holds 2^31 per lane: long runs go in blocks.
    constexpr std::int64_t kBlock = std::int64_t{1} << 30;
    for (std::int64_t at = 0; at < n; at += kBlock) {
#if defined(__SSE2__)
        AccumulateVector(s + at, std::min(kBlock, n - at), shift, a);
#else
        AccumulateScalar(s + at, std::min(kBlock, n - at), shift, a);
#endif
    }
    r.nan = a.nan;
    r.count = n - a.nan;
    if (r.count == 0) {
        r.min = r.max = r.mean = r.rms = r.std = kNaN;
        return r;
    }
    const double count = static_cast<double>(r.count);
    r.min = a.min;
    r.max = a.max;
    const double meanShifted = a.sum / count;
    r.mean = shift + meanShifted;
    // Rounding can take a variance a hair below zero; an infinite sample makes it NaN.
    const auto root = [](double v) { return std::sqrt(v < 0 ? 0.0 : v); };
    r.std = root(a.sumSquares / count - meanShifted * meanShifted);
    // The mean square about zero, from the sums about the shift.
    // With an infinite sample the mean square is infinite, whatever the mean does.
    r.rms = std::isinf(a.sumSquares)
                ? a.sumSquares
                : root(a.sumSquares / count + 2 * shift * meanShifted + shift * shift);
    return r;
}

SelectionStats ComputeSelectionStats(const CtesqDoc& doc, int start, int end) {
    SelectionStats stats;
    stats.start = std::clamp(std::min(start, end), 0, doc.m_nSampleCount);
    stats.end = std::clamp(std::max(start, end), 0, doc.m_nSampleCount);
    for (int i = 0; i < doc.m_nCurveCount; ++i) {
        CurveStats c;
        c.min = c.max = c.mean = c.rms = c.std = c.first = c.last = kNaN;
        if (doc.m_pSamples[i] && stats.end > stats.start)
            c = ComputeCurveStats(doc.m_pSamples[i].get() + stats.start, stats.end - stats.start);
        stats.curves.push_back(c);
    }
    return stats;
}
