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
    m_rescalings.clear();
}

float CCurveSamples::At(std::int64_t i) const {
    float v = 0;
    if (const auto e = m_edits.find(i / kPiece); e != m_edits.end())
        v = e->second[static_cast<std::size_t>(i % kPiece)];
    else
        v = m_source->At(i);
    for (const Rescaling& r : m_rescalings)
        if (i >= r.first && i < r.end) v = ::Rescaled(v, r.k, r.b);
    return v;
}

void CCurveSamples::Rescale(std::int64_t first, std::int64_t end, double k, double b) {
    if (first >= end) return;
    if (m_floats) {
        float* s = m_floats.get();
        for (std::int64_t j = first; j < end; ++j) s[j] = ::Rescaled(s[j], k, b);
        return;
    }
    m_rescalings.push_back({first, end, k, b});
    if (m_rescalings.size() > kMostRescalings) Settle();
}

std::pair<std::int64_t, std::int64_t> CCurveSamples::ForgetChanges() {
    std::int64_t first = INT64_MAX, end = 0;
    for (const Rescaling& r : m_rescalings)
        first = std::min(first, r.first), end = std::max(end, r.end);
    if (!m_edits.empty()) {
        first = std::min(first, m_edits.begin()->first * kPiece);
        end = std::max(end, (m_edits.rbegin()->first + 1) * kPiece);
    }
    m_edits.clear();
    m_rescalings.clear();
    if (first >= end) return {0, 0};
    return {first, m_source ? std::min(end, m_source->Count()) : end};
}

void CCurveSamples::Settle() {
    const std::vector<Rescaling> rescalings = std::move(m_rescalings);
    m_rescalings.clear();
    // Every piece any of them touches, once, then each rescaling over it in order.
    std::vector<std::int64_t> pieces;
    for (const Rescaling& r : rescalings)
        for (std::int64_t p = r.first / kPiece; p * kPiece < r.end; ++p) pieces.push_back(p);
    std::sort(pieces.begin(), pieces.end());
    pieces.erase(std::unique(pieces.begin(), pieces.end()), pieces.end());
    for (const std::int64_t p : pieces) {
        float* s = EditedPiece(p) - p * kPiece;
        const std::int64_t pieceEnd = std::min((p + 1) * kPiece, m_source->Count());
        for (const Rescaling& r : rescalings)
            for (std::int64_t j = std::max(r.first, p * kPiece); j < std::min(r.end, pieceEnd); ++j)
                s[j] = ::Rescaled(s[j], r.k, r.b);
    }
}

void CCurveSamples::ApplyRescalings(std::int64_t first, std::int64_t n, float* out) const {
    const std::int64_t end = first + n;
    for (const Rescaling& r : m_rescalings) {
        const std::int64_t from = std::max(first, r.first), to = std::min(end, r.end);
        for (std::int64_t j = from; j < to; ++j)
            out[j - first] = ::Rescaled(out[j - first], r.k, r.b);
    }
}

bool CCurveSamples::Rescaled(std::int64_t first, std::int64_t end) const {
    return std::any_of(m_rescalings.begin(), m_rescalings.end(),
                       [&](const Rescaling& r) { return r.first < end && first < r.end; });
}

void CCurveSamples::Read(std::int64_t first, std::int64_t n, float* out) const {
    if (m_floats) {
        std::memcpy(out, m_floats.get() + first, static_cast<std::size_t>(n) * sizeof(float));
        return;
    }
    ReadPieces(first, n, out);
    ApplyRescalings(first, n, out);
}

void CCurveSamples::ReadPieces(std::int64_t first, std::int64_t n, float* out) const {
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

bool CCurveSamples::SourceAlone(std::int64_t first, std::int64_t end) const {
    if (!m_source || Rescaled(first, end)) return false;
    const auto e = m_edits.lower_bound(first / kPiece);
    return e == m_edits.end() || e->first * kPiece >= end;
}

bool CCurveSamples::BlockMoments(std::int64_t first, std::int64_t blocks, int size,
                                 Moments* out) const {
    return SourceAlone(first, first + blocks * size) &&
           m_source->BlockMoments(first, blocks, size, out);
}

bool CCurveSamples::BlockExtremes(std::int64_t first, std::int64_t blocks, int size, float* maxima,
                                  float* minima) const {
    return SourceAlone(first, first + blocks * size) &&
           m_source->BlockExtremes(first, blocks, size, maxima, minima);
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
