// Display copies: per curve, 4 floats per bucket of m_nDecimation samples (first, max, min,
// first), so drawing costs the same at any zoom.

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "framework/core/MessageSink.h"
#include "trace/MinMax.h"
#include "trace/tesqDoc.h"

namespace {

void BuildBuckets(const float* s, std::int64_t count, std::int64_t decimation, float* out) {
    if (decimation == 1) {
        for (std::int64_t j = 0; j < count; ++j, out += 4) out[0] = out[1] = out[2] = out[3] = s[j];
        return;
    }
    for (std::int64_t s0 = 0; s0 < count; s0 += decimation, out += 4) {
        const std::int64_t n = std::min(decimation, count - s0);
        float mn, mx;
        MinMaxInOrder(s + s0, n, mn, mx);
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
