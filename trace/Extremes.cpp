#include "trace/Extremes.h"

#include <cmath>

void CurveExtremes(const float* s, std::int64_t n, float& mn, float& mx) {
    std::int64_t k = 0;
    while (k < n - 1 && std::isnan(s[k])) ++k;
    mn = mx = s[k];
    ExtremesInOrder(s + k + 1, s + k + 1, n - k - 1, mx, mn);
}
