#include "trace/stats/Statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "trace/model/Extremes.h"
#include "trace/model/TraceData.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Sums of a run, NaN skipped and counted. Sums are of x - shift.
struct Accumulator {
    double sum = 0, sumSquares = 0;
    std::int64_t nan = 0;
};

void AccumulateScalar(const float* s, std::int64_t n, double shift, Accumulator& a) {
    for (std::int64_t i = 0; i < n; ++i) {
        const float x = s[i];
        if (std::isnan(x)) {
            ++a.nan;
            continue;
        }
        const double d = static_cast<double>(x) - shift;
        a.sum += d;
        a.sumSquares += d * d;
    }
}

#if defined(__SSE2__)
// Sums four floats a step, NaN lanes masked out of the sums and counted, run on across calls
// so that a run given block by block sums as it would in one call.
class CVectorSums {
public:
    explicit CVectorSums(double shift) : m_shift(_mm_set1_pd(shift)) {}

    // n a multiple of 4.
    void Add(const float* s, std::int64_t n) {
        for (std::int64_t i = 0; i < n; i += 4) {
            const __m128 x = _mm_loadu_ps(s + i);
            const __m128 ok = _mm_cmpord_ps(x, x);
            m_nans = _mm_sub_epi32(
                m_nans, _mm_castps_si128(_mm_andnot_ps(ok, _mm_castsi128_ps(_mm_set1_epi32(-1)))));
            const __m128 xz = _mm_and_ps(ok, x);  // NaN lanes as 0, then their shift taken back
            const __m128d lo = _mm_sub_pd(_mm_cvtps_pd(xz), m_shift);
            const __m128d hi = _mm_sub_pd(_mm_cvtps_pd(_mm_movehl_ps(xz, xz)), m_shift);
            const __m128d maskLo = _mm_castps_pd(_mm_unpacklo_ps(ok, ok));
            const __m128d maskHi = _mm_castps_pd(_mm_unpackhi_ps(ok, ok));
            const __m128d dLo = _mm_and_pd(maskLo, lo), dHi = _mm_and_pd(maskHi, hi);
            m_sumLo = _mm_add_pd(m_sumLo, dLo);
            m_sumHi = _mm_add_pd(m_sumHi, dHi);
            m_sqLo = _mm_add_pd(m_sqLo, _mm_mul_pd(dLo, dLo));
            m_sqHi = _mm_add_pd(m_sqHi, _mm_mul_pd(dHi, dHi));
        }
    }

    // The lanes into the accumulator; a run has at most 2^31 samples, so no lane's NaN
    // counter fills.
    void AddTo(Accumulator& a) const {
        alignas(16) double d[8];
        _mm_store_pd(d, m_sumLo);
        _mm_store_pd(d + 2, m_sumHi);
        _mm_store_pd(d + 4, m_sqLo);
        _mm_store_pd(d + 6, m_sqHi);
        a.sum += (d[0] + d[1]) + (d[2] + d[3]);
        a.sumSquares += (d[4] + d[5]) + (d[6] + d[7]);
        alignas(16) std::int32_t counts[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(counts), m_nans);
        a.nan += static_cast<std::int64_t>(counts[0]) + counts[1] + counts[2] + counts[3];
    }

private:
    __m128d m_shift;
    __m128d m_sumLo = _mm_setzero_pd(), m_sumHi = m_sumLo, m_sqLo = m_sumLo, m_sqHi = m_sumLo;
    __m128i m_nans = _mm_setzero_si128();
};
#endif

// Extremes and sums block by block, so that the second look at a block finds it in the
// cache; the samples past the last multiple of 4 are summed last, one by one. fetch(at, m)
// gives samples at .. at+m-1 (m <= kBlock), valid until the next call: the same blocks
// whether the samples are one array or decoded a block at a time, so the same sums.
constexpr std::int64_t kBlock = 4096;

template <class Fetch>
CurveStats Compute(const Fetch& fetch, std::int64_t n) {
    CurveStats r;
    r.first = fetch(0, 1)[0];
    r.last = fetch(n - 1, 1)[0];
    double shift = 0.0;
    for (std::int64_t at = 0; at < n; at += kBlock) {
        const std::int64_t m = std::min(kBlock, n - at);
        const float* s = fetch(at, m);
        const float* firstNumber = std::find_if(s, s + m, [](float x) { return !std::isnan(x); });
        if (firstNumber == s + m) continue;
        if (std::isfinite(*firstNumber)) shift = *firstNumber;
        break;
    }
    Accumulator a;
    float mx = -std::numeric_limits<float>::infinity();
    float mn = std::numeric_limits<float>::infinity();
#if defined(__SSE2__)
    CVectorSums sums(shift);
    const std::int64_t whole = n & ~std::int64_t{3};
#else
    const std::int64_t whole = 0;
#endif
    for (std::int64_t at = 0; at < n; at += kBlock) {
        const std::int64_t m = std::min(kBlock, n - at);
        const float* s = fetch(at, m);
        ExtremesInOrder(s, s, m, mx, mn);
#if defined(__SSE2__)
        // Lanes summed every 2^30 samples, as they always have been: the same sums, bit for bit.
        if (at > 0 && at % (std::int64_t{1} << 30) == 0) {
            sums.AddTo(a);
            sums = CVectorSums(shift);
        }
        sums.Add(s, std::min(at + m, whole) - at);
#endif
    }
#if defined(__SSE2__)
    sums.AddTo(a);
#endif
    if (n > whole) AccumulateScalar(fetch(whole, n - whole), n - whole, shift, a);
    r.nan = a.nan;
    r.count = n - a.nan;
    if (r.count == 0) {
        r.min = r.max = r.mean = r.rms = r.std = kNaN;
        return r;
    }
    const double count = static_cast<double>(r.count);
    r.min = mn;
    r.max = mx;
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

}  // namespace

CurveStats ComputeCurveStats(const float* s, std::int64_t n) {
    return Compute([s](std::int64_t at, std::int64_t) { return s + at; }, n);
}

CurveStats ComputeCurveStats(const CCurveSamples& samples, std::int64_t first, std::int64_t n) {
    if (samples.Floats()) return ComputeCurveStats(samples.Floats().get() + first, n);
    std::vector<float> buffer(static_cast<std::size_t>(kBlock));
    return Compute(
        [&](std::int64_t at, std::int64_t m) { return samples.View(first + at, m, buffer.data()); },
        n);
}

SelectionStats ComputeSelectionStats(const CTraceData& trace, int start, int end) {
    SelectionStats stats;
    stats.start = std::clamp(std::min(start, end), 0, trace.m_nSampleCount);
    stats.end = std::clamp(std::max(start, end), 0, trace.m_nSampleCount);
    for (int i = 0; i < trace.m_nCurveCount; ++i) {
        CurveStats c;
        c.min = c.max = c.mean = c.rms = c.std = c.first = c.last = kNaN;
        if (trace.m_pSamples[i] && stats.end > stats.start)
            c = ComputeCurveStats(trace.m_pSamples[i], stats.start, stats.end - stats.start);
        stats.curves.push_back(c);
    }
    return stats;
}
