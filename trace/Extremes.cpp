#include "trace/Extremes.h"

#include <algorithm>
#include <cmath>

void CurveExtremes(const float* s, std::int64_t n, float& mn, float& mx,
                   const std::function<void()>& checkpoint) {
    std::int64_t k = 0;
    while (k < n - 1 && std::isnan(s[k])) ++k;
    mn = mx = s[k];
    constexpr std::int64_t kPiece = std::int64_t{1} << 24;
    for (std::int64_t at = k + 1; at < n; at += kPiece) {
        ExtremesInOrder(s + at, s + at, std::min(kPiece, n - at), mx, mn);
        if (checkpoint) checkpoint();
    }
}
