// Display copies: per curve, 4 floats per bucket of m_nDecimation samples (first, max, min,
// first), so drawing costs the same at any zoom.

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "MessageSink.h"
#include "tesqDoc.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The running min/max rule: a sample replaces the minimum only when it is less, the maximum
// only when it is greater. So a NaN never enters, and among equal values the first stays.
inline void ScalarMinMax(const float* s, std::int64_t n, float& mn, float& mx) {
    for (std::int64_t i = 0; i < n; ++i) {
        const float x = s[i];
        mn = x < mn ? x : mn;
        mx = x > mx ? x : mx;
    }
}

// The same rule, four lanes at a time. minps(x, m) is exactly "x < m ? x : m", NaN included,
// so lanes seeded with a non-NaN first value each follow the rule. Equal non-zero floats are
// identical, so combining lanes in any order gives the sequential answer; only the sign of a
// zero result depends on order, and such a bucket is rescanned in order.
void BucketMinMax(const float* s, std::int64_t n, float first, float& mn, float& mx) {
    mn = mx = first;
    if (std::isnan(first)) return;
#if defined(__SSE2__)
    if (n >= 16) {
        __m128 mn0 = _mm_set1_ps(first), mn1 = mn0, mx0 = mn0, mx1 = mn0;
        std::int64_t i = 0;
        for (; i + 8 <= n; i += 8) {
            const __m128 a = _mm_loadu_ps(s + i);
            const __m128 b = _mm_loadu_ps(s + i + 4);
            mn0 = _mm_min_ps(a, mn0);
            mn1 = _mm_min_ps(b, mn1);
            mx0 = _mm_max_ps(a, mx0);
            mx1 = _mm_max_ps(b, mx1);
        }
        alignas(16) float lanes[8];
        _mm_store_ps(lanes, _mm_min_ps(mn1, mn0));
        _mm_store_ps(lanes + 4, _mm_max_ps(mx1, mx0));
        for (int l = 0; l < 4; ++l) {
            mn = lanes[l] < mn ? lanes[l] : mn;
            mx = lanes[4 + l] > mx ? lanes[4 + l] : mx;
        }
        ScalarMinMax(s + i, n - i, mn, mx);
        if (mn != 0.0f && mx != 0.0f) return;
        mn = mx = first;
    }
#endif
    ScalarMinMax(s, n, mn, mx);
}

void BuildBuckets(const float* s, std::int64_t count, std::int64_t decimation, float* out) {
    if (decimation == 1) {
        for (std::int64_t j = 0; j < count; ++j, out += 4) out[0] = out[1] = out[2] = out[3] = s[j];
        return;
    }
    for (std::int64_t s0 = 0; s0 < count; s0 += decimation, out += 4) {
        const std::int64_t n = std::min(decimation, count - s0);
        float mn, mx;
        BucketMinMax(s + s0, n, s[s0], mn, mx);
        out[0] = s[s0];
        out[1] = mx;
        out[2] = mn;
        out[3] = s[s0];
    }
}

}  // namespace

void CtesqDoc::BuildDisplayCopies() {
    for (int i = 0; i < MAX_CURVES; ++i) {
        if (!m_pSamples[i]) return;
        if (!BuildDisplayCopy(m_pSamples[i].get(), m_pDisplay[i])) {
            m_nDisplayLength = 0;
            return;
        }
    }
}

bool CtesqDoc::BuildDisplayCopy(const float* pSource, CFloatArray& slot) {
    if (m_nSampleCount <= 0) return true;
    if (pSource == nullptr) return false;
    const std::int64_t count = m_nSampleCount;
    const std::int64_t decimation = std::max(m_nDecimation, 1);
    const std::int64_t buckets = count / decimation + (count % decimation != 0 ? 1 : 0);
    const std::int64_t length = 4 * buckets;
    // A copy whose length does not fit m_nDisplayLength is refused like one that does not
    // fit in memory (more than 536870911 samples at decimation 1).
    if (length > INT_MAX) {
        slot.reset();
        AfxMessageBox("deefery alloc failure!");
        return false;
    }
    // Same size as before: reuse the array, since fresh pages cost more than the copy.
    if (!slot || slot.size() != static_cast<std::size_t>(length)) {
        slot.reset();
        slot = CFloatArray::Allocate(static_cast<std::size_t>(length), false);
        if (!slot) {
            AfxMessageBox("deefery alloc failure!");
            return false;
        }
    }
    BuildBuckets(pSource, count, decimation, slot.get());
    m_nDisplayLength = static_cast<int>(length);
    return true;
}
