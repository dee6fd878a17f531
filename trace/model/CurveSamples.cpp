#include "trace/model/CurveSamples.h"

#include <algorithm>
#include <cstring>
#include <new>

std::size_t CCurveSamples::size() const {
    if (m_floats) return m_floats.size();
    return m_source ? static_cast<std::size_t>(m_source->Count()) : 0;
}

void CCurveSamples::reset() {
    m_floats.reset();
    m_source.reset();
    m_edits.clear();
}

float CCurveSamples::At(std::int64_t i) const {
    if (!m_edits.empty())
        if (const auto e = m_edits.find(i / kPiece); e != m_edits.end())
            return e->second[static_cast<std::size_t>(i % kPiece)];
    return m_source->At(i);
}

void CCurveSamples::Read(std::int64_t first, std::int64_t n, float* out) const {
    if (m_floats) {
        std::memcpy(out, m_floats.get() + first, static_cast<std::size_t>(n) * sizeof(float));
        return;
    }
    if (m_edits.empty()) {
        m_source->Read(first, n, out);
        return;
    }
    // Edited pieces from their own floats, the stretches between them from the source.
    const std::int64_t end = first + n;
    for (std::int64_t j = first; j < end;) {
        const auto e = m_edits.lower_bound(j / kPiece);
        const std::int64_t editStart =
            e == m_edits.end() ? end : std::max(j, std::min(end, e->first * kPiece));
        if (editStart > j) {
            m_source->Read(j, editStart - j, out + (j - first));
            j = editStart;
            continue;
        }
        const std::int64_t stop = std::min(end, (e->first + 1) * kPiece);
        std::memcpy(out + (j - first), e->second.get() + (j - e->first * kPiece),
                    static_cast<std::size_t>(stop - j) * sizeof(float));
        j = stop;
    }
}

bool CCurveSamples::BlockMoments(std::int64_t first, std::int64_t blocks, int size,
                                 Moments* out) const {
    if (!m_source) return false;
    const std::int64_t end = first + blocks * size;
    if (const auto e = m_edits.lower_bound(first / kPiece);
        e != m_edits.end() && e->first * kPiece < end)
        return false;
    return m_source->BlockMoments(first, blocks, size, out);
}

bool CCurveSamples::BlockExtremes(std::int64_t first, std::int64_t blocks, int size, float* maxima,
                                  float* minima) const {
    if (!m_source) return false;
    const std::int64_t end = first + blocks * size;
    if (const auto e = m_edits.lower_bound(first / kPiece);
        e != m_edits.end() && e->first * kPiece < end)
        return false;
    return m_source->BlockExtremes(first, blocks, size, maxima, minima);
}

float* CCurveSamples::EditedPiece(std::int64_t piece) {
    auto e = m_edits.find(piece);
    if (e == m_edits.end()) {
        const std::int64_t first = piece * kPiece;
        const std::int64_t n = std::min(kPiece, m_source->Count() - first);
        CFloatArray floats = CFloatArray::Allocate(static_cast<std::size_t>(n), false);
        if (!floats) throw std::bad_alloc();
        m_source->Read(first, n, floats.get());
        e = m_edits.emplace(piece, std::move(floats)).first;
    }
    return e->second.get();
}
