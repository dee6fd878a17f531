#include "trace/stats/StatsIndex.h"

#include <algorithm>
#include <atomic>

#include "framework/core/TwoThreads.h"

namespace {

constexpr std::int64_t kBlock = CStatsIndex::kBlock;
// Blocks a chunk of work: 2^20 samples, as the display columns' build tells progress.
constexpr std::int64_t kChunkBlocks = 256;

// Pairwise: halves combined, so that rounding grows with the log of the count.
Moments Pairwise(const Moments* m, std::size_t n) {
    if (n == 0) return Moments();
    if (n == 1) return m[0];
    Moments left = Pairwise(m, n / 2);
    Combine(left, Pairwise(m + n / 2, n - n / 2));
    return left;
}

}  // namespace

void BlockMomentsOf(const CCurveSamples& samples, std::int64_t first, std::int64_t blocks,
                    std::int64_t count, Moments* out, std::vector<float>& buffer) {
    if (samples.BlockMoments(first, blocks, static_cast<int>(kBlock), out)) return;
    const std::int64_t end = std::min(first + blocks * kBlock, count);
    buffer.resize(static_cast<std::size_t>(end - first));
    const float* s = samples.View(first, end - first, buffer.data());
    for (std::int64_t b = 0; b < blocks; ++b) {
        const std::int64_t from = b * kBlock;
        out[b] = MomentsOf(s + from, std::min(kBlock, end - first - from));
    }
}

CStatsIndex::Packed CStatsIndex::Pack(const Moments& m) {
    return {m.mean,
            m.m2,
            m.max,
            m.min,
            static_cast<std::uint16_t>(m.count),
            static_cast<std::uint16_t>(m.nan),
            static_cast<std::uint16_t>(m.posInf),
            static_cast<std::uint16_t>(m.negInf)};
}

Moments CStatsIndex::Unpack(const Packed& p) {
    Moments m;
    m.mean = p.mean;
    m.m2 = p.m2;
    m.max = p.max;
    m.min = p.min;
    m.count = p.count;
    m.nan = p.nan;
    m.posInf = p.posInf;
    m.negInf = p.negInf;
    return m;
}

void CStatsIndex::reset() {
    m_blocks = {};
    m_stale.clear();
    m_pIdentity = nullptr;
    m_nCount = 0;
}

bool CStatsIndex::Build(const CCurveSamples& samples, std::int64_t count,
                        const std::function<void(std::int64_t)>& progress) {
    reset();
    if (!samples || count <= 0) return false;
    const std::int64_t blocks = (count + kBlock - 1) / kBlock;
    try {
        m_blocks.resize(static_cast<std::size_t>(blocks));
    } catch (const std::bad_alloc&) {
        reset();
        return false;
    }
    const auto chunks = static_cast<int>((blocks + kChunkBlocks - 1) / kChunkBlocks);
    std::atomic<std::int64_t> built{0};
    std::int64_t told = 0;
    const auto tell = [&] {
        const std::int64_t now = built.load();
        if (progress && now > told) progress(now - told);
        told = now;
    };
    try {
        ForEachOnTwoThreads(
            chunks,
            [&](int c) {
                const std::int64_t b0 = c * kChunkBlocks;
                const std::int64_t n = std::min(kChunkBlocks, blocks - b0);
                thread_local std::vector<float> buffer;
                std::vector<Moments> m(static_cast<std::size_t>(n));
                BlockMomentsOf(samples, b0 * kBlock, n, count, m.data(), buffer);
                for (std::int64_t b = 0; b < n; ++b)
                    m_blocks[static_cast<std::size_t>(b0 + b)] =
                        Pack(m[static_cast<std::size_t>(b)]);
                built.fetch_add(std::min(n * kBlock, count - b0 * kBlock));
            },
            tell);
        tell();
    } catch (...) {
        reset();
        throw;
    }
    m_pIdentity = samples.Identity();
    m_nCount = count;
    return true;
}

void CStatsIndex::Rebuild(const CCurveSamples& samples, std::int64_t first, std::int64_t end) {
    if (m_blocks.empty()) return;
    first = std::max<std::int64_t>(first, 0) / kBlock;
    end = (std::min(end, m_nCount) + kBlock - 1) / kBlock;
    if (first >= end) return;
    if ((end - first) * kBlock > kMostRebuilt) {
        // Merged with the stale ranges it touches.
        auto at = std::lower_bound(m_stale.begin(), m_stale.end(), first,
                                   [](const auto& r, std::int64_t b) { return r.second < b; });
        auto stop = at;
        while (stop != m_stale.end() && stop->first <= end) {
            first = std::min(first, stop->first);
            end = std::max(end, stop->second);
            ++stop;
        }
        at = m_stale.erase(at, stop);
        m_stale.insert(at, {first, end});
        return;
    }
    std::vector<float> buffer;
    std::vector<Moments> m(static_cast<std::size_t>(kChunkBlocks));
    for (std::int64_t b = first; b < end; b += kChunkBlocks) {
        const std::int64_t n = std::min(kChunkBlocks, end - b);
        BlockMomentsOf(samples, b * kBlock, n, m_nCount, m.data(), buffer);
        for (std::int64_t k = 0; k < n; ++k)
            m_blocks[static_cast<std::size_t>(b + k)] = Pack(m[static_cast<std::size_t>(k)]);
    }
}

Moments CStatsIndex::Range(const CCurveSamples& samples, std::int64_t first, std::int64_t n) const {
    const std::int64_t end = first + n;
    const std::int64_t b0 = (first + kBlock - 1) / kBlock, b1 = end / kBlock;
    // Whole blocks inside the range, then the ends from their samples; the tail block at the
    // trace's end counts whole when the range reaches it.
    const std::int64_t lastWhole = end == m_nCount ? (end + kBlock - 1) / kBlock : b1;
    if (b0 >= lastWhole) return MomentsOfRange(samples, first, n, m_nCount);
    std::vector<Moments> parts;
    std::vector<float> buffer;
    if (first < b0 * kBlock) {
        buffer.resize(static_cast<std::size_t>(b0 * kBlock - first));
        parts.push_back(MomentsOf(samples.View(first, b0 * kBlock - first, buffer.data()),
                                  b0 * kBlock - first));
    }
    for (std::int64_t b = b0; b < lastWhole;) {
        const std::int64_t to = std::min(StaleEnd(b), lastWhole);
        if (to <= b) {
            parts.push_back(Unpack(m_blocks[static_cast<std::size_t>(b)]));
            ++b;
            continue;
        }
        for (; b < to; b += kChunkBlocks) {
            const std::size_t at = parts.size();
            const std::int64_t some = std::min(kChunkBlocks, to - b);
            parts.resize(at + static_cast<std::size_t>(some));
            BlockMomentsOf(samples, b * kBlock, some, m_nCount, parts.data() + at, buffer);
        }
        b = to;
    }
    if (end > lastWhole * kBlock) {
        const std::int64_t from = lastWhole * kBlock;
        buffer.resize(static_cast<std::size_t>(end - from));
        parts.push_back(MomentsOf(samples.View(from, end - from, buffer.data()), end - from));
    }
    return Pairwise(parts.data(), parts.size());
}

std::int64_t CStatsIndex::StaleEnd(std::int64_t b) const {
    const auto r =
        std::upper_bound(m_stale.begin(), m_stale.end(), b,
                         [](std::int64_t x, const auto& range) { return x < range.second; });
    return r != m_stale.end() && r->first <= b ? r->second : b;
}

std::int64_t CStatsIndex::StaleSamples(std::int64_t first, std::int64_t n) const {
    std::int64_t stale = 0;
    for (const auto& [b0, b1] : m_stale)
        stale += std::max<std::int64_t>(
            0, std::min(first + n, b1 * kBlock) - std::max(first, b0 * kBlock));
    return stale;
}

Moments MomentsOfRange(const CCurveSamples& samples, std::int64_t first, std::int64_t n,
                       std::int64_t count, const std::function<void(std::int64_t)>& progress) {
    const std::int64_t end = first + n;
    // Aligned to the index's blocks, so that a range gives what an index would; the short
    // block at the trace's end is a block when the range reaches it.
    const std::int64_t b0 = (first + kBlock - 1) / kBlock;
    const std::int64_t b1 = std::max(b0, end == count ? (end + kBlock - 1) / kBlock : end / kBlock);
    std::vector<Moments> parts;
    std::vector<float> buffer;
    const std::int64_t headEnd = std::min(end, b0 * kBlock);
    if (first < headEnd) {
        buffer.resize(static_cast<std::size_t>(headEnd - first));
        parts.push_back(
            MomentsOf(samples.View(first, headEnd - first, buffer.data()), headEnd - first));
    }
    if (b1 > b0) {
        std::vector<Moments> blocks(static_cast<std::size_t>(b1 - b0));
        const auto chunks = static_cast<int>((b1 - b0 + kChunkBlocks - 1) / kChunkBlocks);
        std::atomic<std::int64_t> done{0};
        std::int64_t told = 0;
        ForEachOnTwoThreads(
            chunks,
            [&](int c) {
                const std::int64_t from = b0 + c * kChunkBlocks;
                const std::int64_t m = std::min(kChunkBlocks, b1 - from);
                thread_local std::vector<float> floats;
                BlockMomentsOf(samples, from * kBlock, m, std::min(b1 * kBlock, count),
                               blocks.data() + (from - b0), floats);
                done.fetch_add(m * kBlock);
            },
            [&] {
                const std::int64_t now = done.load();
                if (progress && now > told) progress(now - told);
                told = now;
            });
        parts.insert(parts.end(), blocks.begin(), blocks.end());
    }
    const std::int64_t tail = std::max(headEnd, std::min(b1 * kBlock, end));
    if (tail < end) {
        buffer.resize(static_cast<std::size_t>(end - tail));
        parts.push_back(MomentsOf(samples.View(tail, end - tail, buffer.data()), end - tail));
    }
    return Pairwise(parts.data(), parts.size());
}
