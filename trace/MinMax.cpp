#include "trace/MinMax.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

void ScalarMinMax(const float* s, std::int64_t n, float& mn, float& mx) {
    for (std::int64_t i = 0; i < n; ++i) {
        const float x = s[i];
        mn = x < mn ? x : mn;
        mx = x > mx ? x : mx;
    }
}

}  // namespace

// The same rule, four lanes at a time. minps(x, m) is exactly "x < m ? x : m", NaN included,
// so lanes seeded with a non-NaN first value each follow the rule. Equal non-zero floats are
// identical, so combining lanes in any order gives the sequential answer; only the sign of a
// zero result depends on order.
void MinMaxInOrder(const float* s, std::int64_t n, float& mn, float& mx) {
    const float first = s[0];
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
        if (mn == 0.0f || mx == 0.0f) {
            // A zero extreme is the first zero met in order, whichever its sign: no later
            // zero is less (or greater) than it.
            const float firstZero = *std::find(s, s + n, 0.0f);
            if (mn == 0.0f) mn = firstZero;
            if (mx == 0.0f) mx = firstZero;
        }
        return;
    }
#endif
    ScalarMinMax(s, n, mn, mx);
}

void CurveExtremes(const float* s, std::int64_t n, float& mn, float& mx) {
    std::int64_t k = 0;
    while (k < n - 1 && std::isnan(s[k])) ++k;
    MinMaxInOrder(s + k, n - k, mn, mx);
}
