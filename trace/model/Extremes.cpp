#include "trace/model/Extremes.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "trace/model/CurveSamples.h"

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

void CurveExtremes(const CCurveSamples& s, std::int64_t n, float& mn, float& mx,
                   const std::function<void()>& checkpoint) {
    if (s.Floats()) {
        CurveExtremes(s.Floats().get(), n, mn, mx, checkpoint);
        return;
    }
    // A piece at a time: seeded with the first sample that is not NaN (or the last), then the
    // rest in order, as over one array.
    constexpr std::int64_t kPiece = CCurveSamples::kPiece;
    std::vector<float> buffer(static_cast<std::size_t>(kPiece));
    bool seeded = false;
    for (std::int64_t at = 0; at < n; at += kPiece) {
        const std::int64_t m = std::min(kPiece, n - at);
        // A source that knows its pieces' extremes (no NaN among them): taken as a whole.
        if (float hi = 0, lo = 0; s.BlockExtremes(at, 1, static_cast<int>(m), &hi, &lo)) {
            if (!seeded) mn = lo, mx = hi;
            if (hi > mx) mx = hi;
            if (lo < mn) mn = lo;
            seeded = true;
            continue;
        }
        s.Read(at, m, buffer.data());
        std::int64_t k = 0;
        if (!seeded) {
            while (k < m && std::isnan(buffer[static_cast<std::size_t>(k)]) && at + k < n - 1) ++k;
            if (k == m) continue;
            mn = mx = buffer[static_cast<std::size_t>(k)];
            seeded = true;
            ++k;
        }
        ExtremesInOrder(buffer.data() + k, buffer.data() + k, m - k, mx, mn);
        if (checkpoint && at % (std::int64_t{1} << 24) == 0) checkpoint();
    }
}
