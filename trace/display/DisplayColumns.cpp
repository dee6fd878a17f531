#include "trace/display/DisplayColumns.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <vector>

#include "framework/core/TwoThreads.h"
#include "trace/model/Extremes.h"

namespace {

constexpr int kShift = 4;  // 16 units a block: half a byte per sample, 15 units a side per query
constexpr std::int64_t kFanout = std::int64_t{1} << kShift;
constexpr float kInf = std::numeric_limits<float>::infinity();

}  // namespace

void CDisplayColumns::reset() {
    m_pSamples = nullptr;
    m_pIdentity = nullptr;
    m_nCount = 0;
    m_bPending = false;
    m_levels.clear();
    m_rules.clear();
    m_fromSamples.clear();
}

void CDisplayColumns::Prepare(const CCurveSamples& samples, std::int64_t count) {
    reset();
    if (!samples || count <= 0) return;
    m_pSamples = &samples;
    m_pIdentity = samples.Identity();
    m_nCount = count;
    m_bPending = true;
}

bool CDisplayColumns::TakePyramid(CDisplayColumns& built) {
    if (!m_bPending || !built || built.m_pIdentity != m_pIdentity || built.m_nCount != m_nCount ||
        built.m_bPending)
        return false;
    m_levels = std::move(built.m_levels);
    m_bPending = false;
    built.reset();
    return true;
}

bool CDisplayColumns::Build(const CCurveSamples& samples, std::int64_t count,
                            const std::function<void(std::int64_t)>& progress) {
    reset();
    if (!samples || count <= 0) return false;
    std::vector<Level> levels;
    for (std::int64_t units = count; units > kFanout;) {
        Level level;
        level.blocks = (units + kFanout - 1) >> kShift;
        const auto n = static_cast<std::size_t>(level.blocks);
        // Faulted in as the build's two threads write them, a chunk at a time: the kernel's
        // zeroing of a large capture's half gigabyte is shared, and a cancel is heard.
        level.maxima = CFloatArray::Allocate(n, false, false);
        level.minima = CFloatArray::Allocate(n, false, false);
        if (!level.maxima || !level.minima) return false;
        units = level.blocks;
        levels.push_back(std::move(level));
    }
    m_levels = std::move(levels);
    m_pSamples = &samples;
    m_pIdentity = samples.Identity();
    m_nCount = count;
    try {
        BuildChunks(progress);
        // The levels above a chunk: a few blocks, built once the chunks are.
        std::int64_t first = 0, end = count;
        for (std::size_t k = 0; k < m_levels.size(); ++k) {
            end = (end + kFanout - 1) >> kShift;
            if (k >= kChunkLevels) BuildLevel(k, first, end);
        }
    } catch (...) {
        reset();
        throw;
    }
    return true;
}

// Chunks of 16^5 samples, each with the levels inside it, on two threads: no block of those
// levels spans two chunks, so the threads never write the same entry. The calling thread
// reports progress (which may throw, a cancel), and the other one stops at its next chunk.
void CDisplayColumns::BuildChunks(const std::function<void(std::int64_t)>& progress) {
    constexpr std::int64_t kChunk = std::int64_t{1} << (kShift * kChunkLevels);
    const auto chunks = static_cast<int>((m_nCount + kChunk - 1) / kChunk);
    std::atomic<std::int64_t> built{0};
    std::int64_t told = 0;
    const auto tell = [&] {
        const std::int64_t now = built.load();
        if (progress && now > told) progress(now - told);
        told = now;
    };
    ForEachOnTwoThreads(
        chunks,
        [&](int c) {
            std::int64_t first = c * kChunk, end = std::min(first + kChunk, m_nCount);
            const std::int64_t n = end - first;
            for (std::size_t k = 0; k < std::min(m_levels.size(), kChunkLevels); ++k) {
                first >>= kShift;
                end = (end + kFanout - 1) >> kShift;
                BuildLevel(k, first, end);
            }
            built.fetch_add(n);
        },
        tell);
    tell();  // what the other thread built last
}

void CDisplayColumns::Rescale(std::int64_t first, std::int64_t end, double k, double b) {
    first = std::max<std::int64_t>(first, 0);
    end = std::min(end, m_nCount);
    if (first >= end || m_levels.empty()) return;
    KeepRule(first, end, k, b);
    for (std::size_t level = 1; level < m_levels.size(); ++level) {
        const int shift = kShift * static_cast<int>(level + 1);
        const std::int64_t size = std::int64_t{1} << shift;
        const std::int64_t blocks = m_levels[level].blocks;
        // Blocks wholly inside; the last block, shorter, counts when the range reaches it.
        const std::int64_t inFirst = (first + size - 1) >> shift;
        const std::int64_t inEnd = std::max(inFirst, end == m_nCount ? blocks : end >> shift);
        // Level by level, on two threads: a level's blocks read only the level below.
        constexpr std::int64_t kChunk = std::int64_t{1} << 20;
        const auto chunks = static_cast<int>((inEnd - inFirst + kChunk - 1) / kChunk);
        std::vector<std::vector<std::int64_t>> remake(static_cast<std::size_t>(chunks));
        ForEachOnTwoThreads(chunks, [&](int c) {
            const std::int64_t from = inFirst + c * kChunk;
            RescaleBlocks(level, from, std::min(inEnd, from + kChunk), k, b,
                          remake[static_cast<std::size_t>(c)]);
        });
        for (const auto& some : remake)
            for (const std::int64_t block : some) BuildLevel(level, block, block + 1);
        // The border blocks, from the level below (or the samples), which is right by now.
        const std::int64_t firstBlock = first >> shift, lastBlock = (end - 1) >> shift;
        if (firstBlock < inFirst) BuildLevel(level, firstBlock, firstBlock + 1);
        if (lastBlock >= inEnd && !(lastBlock == firstBlock && firstBlock < inFirst))
            BuildLevel(level, lastBlock, lastBlock + 1);
    }
}

void CDisplayColumns::KeepRule(std::int64_t first, std::int64_t end, double k, double b) {
    const std::int64_t blocks = m_levels[0].blocks;
    const std::int64_t inFirst = (first + kFanout - 1) >> kShift;
    const std::int64_t inEnd = std::max(inFirst, end == m_nCount ? blocks : end >> kShift);
    const auto cut = [this](std::int64_t block) {
        const auto at = std::lower_bound(m_fromSamples.begin(), m_fromSamples.end(), block);
        if (at == m_fromSamples.end() || *at != block) m_fromSamples.insert(at, block);
    };
    const std::int64_t firstBlock = first >> kShift, lastBlock = (end - 1) >> kShift;
    if (firstBlock < inFirst) cut(firstBlock);
    if (lastBlock >= inEnd) cut(lastBlock);
    if (inFirst < inEnd) m_rules.push_back({inFirst, inEnd, k, b});
    if (m_rules.size() > kMostRules || m_fromSamples.size() > 2 * kMostRules) FoldRules();
}

void CDisplayColumns::Level0(std::int64_t block, float& mx, float& mn) const {
    const auto at = static_cast<std::size_t>(block);
    mx = m_levels[0].maxima[at];
    mn = m_levels[0].minima[at];
    if (m_rules.empty() && m_fromSamples.empty()) return;
    if (std::binary_search(m_fromSamples.begin(), m_fromSamples.end(), block))
        return Level0FromSamples(block, mx, mn);
    bool ruled = false;
    for (const Rule& rule : m_rules) {
        if (block < rule.firstBlock || block >= rule.endBlock) continue;
        const bool swap = rule.k < 0;
        const float newMax = ::Rescaled(swap ? mn : mx, rule.k, rule.b);
        mn = ::Rescaled(swap ? mx : mn, rule.k, rule.b);
        mx = newMax;
        ruled = true;
    }
    // A 0 or NaN met on the way stays one to the end (a later rule maps +0 and -0 alike unless
    // it gives 0 again), so looking at the end is enough.
    if (ruled && (mx == 0 || mn == 0 || std::isnan(mx) || std::isnan(mn)))
        Level0FromSamples(block, mx, mn);
}

void CDisplayColumns::Level0FromSamples(std::int64_t block, float& mx, float& mn) const {
    const std::int64_t start = block << kShift;
    const std::int64_t n = std::min(kFanout, m_nCount - start);
    float buffer[kFanout];
    const float* s = m_pSamples->View(start, n, buffer);
    mx = -kInf;
    mn = kInf;
    ExtremesInOrder(s, s, n, mx, mn);
}

// Chunks small enough to stay in the cache while every rule passes over them, on two threads.
void CDisplayColumns::FoldRules() {
    if (m_rules.empty() && m_fromSamples.empty()) return;
    constexpr std::int64_t kChunk = std::int64_t{1} << 16;
    const std::int64_t blocks = m_levels[0].blocks;
    const auto chunks = static_cast<int>((blocks + kChunk - 1) / kChunk);
    std::vector<std::vector<std::int64_t>> remake(static_cast<std::size_t>(chunks));
    ForEachOnTwoThreads(chunks, [&](int c) {
        const std::int64_t from = c * kChunk, to = std::min(blocks, from + kChunk);
        for (const Rule& rule : m_rules) {
            const std::int64_t a = std::max(from, rule.firstBlock), b = std::min(to, rule.endBlock);
            if (a < b) RescaleBlocks(0, a, b, rule.k, rule.b, remake[static_cast<std::size_t>(c)]);
        }
    });
    m_rules.clear();
    for (const auto& some : remake)
        for (const std::int64_t block : some) BuildLevel(0, block, block + 1);
    for (const std::int64_t block : m_fromSamples) BuildLevel(0, block, block + 1);
    m_fromSamples.clear();
}

void CDisplayColumns::RescaleBlocks(std::size_t level, std::int64_t firstBlock,
                                    std::int64_t endBlock, double k, double b,
                                    std::vector<std::int64_t>& remake) {
    float* maxima = m_levels[level].maxima.get();
    float* minima = m_levels[level].minima.get();
    const bool swap = k < 0;  // a negative k turns the order round
    // Without a branch a block, so that the compiler can do several at once; the few that
    // must be made again are looked for only in a run that has one. A block of NaN only
    // (-inf, +inf) maps to itself, or to NaN and is made again.
    constexpr std::int64_t kRun = 1024;
    for (std::int64_t run = firstBlock; run < endBlock; run += kRun) {
        const std::int64_t stop = std::min(endBlock, run + kRun);
        bool again = false;
        for (std::int64_t i = run; i < stop; ++i) {
            const float mx = maxima[i], mn = minima[i];
            const float newMax = ::Rescaled(swap ? mn : mx, k, b);
            const float newMin = ::Rescaled(swap ? mx : mn, k, b);
            again |= (newMax == 0) | (newMin == 0) | (newMax != newMax) | (newMin != newMin);
            maxima[i] = newMax;
            minima[i] = newMin;
        }
        if (again)
            for (std::int64_t i = run; i < stop; ++i)
                if (maxima[i] == 0 || minima[i] == 0 || std::isnan(maxima[i]) ||
                    std::isnan(minima[i]))
                    remake.push_back(i);
    }
}

void CDisplayColumns::BuildLevel(std::size_t k, std::int64_t firstBlock, std::int64_t endBlock) {
    if (k == 0 && !m_pSamples->Floats()) {
        // Samples read from a source: the blocks of a piece at a time, from the source's own
        // extremes where it has them, else from the piece's samples.
        std::vector<float> buffer;
        constexpr std::int64_t kBlocks = CCurveSamples::kPiece >> kShift;
        Level& level = m_levels[0];
        for (std::int64_t b = firstBlock; b < endBlock; b += kBlocks) {
            const std::int64_t start = b << kShift;
            const std::int64_t blocks = std::min(endBlock, b + kBlocks) - b;
            const std::int64_t end = std::min((b + blocks) << kShift, m_nCount);
            if (m_pSamples->BlockExtremes(start, blocks, static_cast<int>(kFanout),
                                          level.maxima.get() + b, level.minima.get() + b))
                continue;
            buffer.resize(static_cast<std::size_t>(CCurveSamples::kPiece));
            const float* s = m_pSamples->View(start, end - start, buffer.data());
            for (std::int64_t at = start; at < end; at += kFanout) {
                const auto block = static_cast<std::size_t>(at >> kShift);
                float mx = -kInf, mn = kInf;
                ExtremesInOrder(s + (at - start), s + (at - start), std::min(kFanout, end - at), mx,
                                mn);
                level.maxima[block] = mx;
                level.minima[block] = mn;
            }
        }
        return;
    }
    if (k == 1 && (!m_rules.empty() || !m_fromSamples.empty())) {
        // Level 0 as the rules make it, sixteen blocks at a time.
        float hi[kFanout], lo[kFanout];
        for (std::int64_t b = firstBlock; b < endBlock; ++b) {
            const std::int64_t start = b << kShift;
            const std::int64_t n = std::min(kFanout, m_levels[0].blocks - start);
            for (std::int64_t i = 0; i < n; ++i) Level0(start + i, hi[i], lo[i]);
            float mx = -kInf, mn = kInf;
            ExtremesInOrder(hi, lo, n, mx, mn);
            m_levels[1].maxima[static_cast<std::size_t>(b)] = mx;
            m_levels[1].minima[static_cast<std::size_t>(b)] = mn;
        }
        return;
    }
    const float* hi = k == 0 ? m_pSamples->Floats().get() : m_levels[k - 1].maxima.get();
    const float* lo = k == 0 ? m_pSamples->Floats().get() : m_levels[k - 1].minima.get();
    const std::int64_t units = k == 0 ? m_nCount : m_levels[k - 1].blocks;
    Level& level = m_levels[k];
    for (std::int64_t b = firstBlock; b < endBlock; ++b) {
        const std::int64_t start = b << kShift;
        const std::int64_t n = std::min(kFanout, units - start);
        const auto at = static_cast<std::size_t>(b);
        float mx = -kInf, mn = kInf;
        ExtremesInOrder(hi + start, lo + start, n, mx, mn);
        level.maxima[at] = mx;
        level.minima[at] = mn;
    }
}

// The in-order extremes of samples s0 .. s1-1 whose first sample is not NaN: seeded with
// it, then the samples and whole blocks that tile the range, in order, each replacing only
// when strictly beyond. Blocks hold their first extreme and NaN never wins, so the result is
// the one a visit of every sample gives. Up to 15 units a level on either side.
template <class Sample>
void CDisplayColumns::Extremes(const Sample& sample, std::int64_t s0, std::int64_t s1, float& mn,
                               float& mx) const {
    mn = mx = sample(s0);
    const auto take = [&](std::size_t level, std::int64_t pos) {
        if (level == 0) {
            const float x = sample(pos);
            if (x > mx) mx = x;
            if (x < mn) mn = x;
            return;
        }
        const std::int64_t block = pos >> (kShift * static_cast<int>(level));
        float hi, lo;
        if (level == 1) {
            Level0(block, hi, lo);
        } else {
            hi = m_levels[level - 1].maxima[static_cast<std::size_t>(block)];
            lo = m_levels[level - 1].minima[static_cast<std::size_t>(block)];
        }
        if (hi > mx) mx = hi;
        if (lo < mn) mn = lo;
    };
    // A unit of level k covers 16^k samples, or fewer at the end of the trace.
    const auto unitEnd = [&](std::size_t level, std::int64_t pos) {
        return std::min(pos + (std::int64_t{1} << (kShift * static_cast<int>(level))), m_nCount);
    };
    std::int64_t pos = s0;
    std::size_t level = 0;
    // Up: units of this level until the position is aligned to the next one's.
    while (level < m_levels.size()) {
        const std::int64_t nextSize = std::int64_t{1} << (kShift * static_cast<int>(level + 1));
        while (pos < s1 && (pos & (nextSize - 1)) != 0 && unitEnd(level, pos) <= s1) {
            take(level, pos);
            pos = unitEnd(level, pos);
        }
        if ((pos & (nextSize - 1)) != 0 || pos >= s1 || unitEnd(level + 1, pos) > s1) break;
        ++level;
    }
    // Down: the largest units that still fit.
    while (pos < s1) {
        while (level > 0 && unitEnd(level, pos) > s1) --level;
        take(level, pos);
        pos = unitEnd(level, pos);
    }
}

template <class Sample>
void CDisplayColumns::EntriesOf(const Sample& sample, std::int64_t firstColumn,
                                std::int64_t columns, float* out) const {
    for (std::int64_t c = firstColumn; c < firstColumn + columns; ++c, out += 4) {
        const std::int64_t s0 = c * m_nDecimation;
        const std::int64_t s1 = std::min(s0 + m_nDecimation, m_nCount);
        if (m_bPending && s1 - s0 > 1) {
            out[0] = out[1] = out[2] = out[3] = std::numeric_limits<float>::quiet_NaN();
            continue;
        }
        const float first = sample(s0);
        out[0] = out[3] = first;
        // A NaN first sample stays both extremes: nothing compares beyond it.
        if (s1 - s0 == 1 || std::isnan(first))
            out[1] = out[2] = first;
        else
            Extremes(sample, s0, s1, out[2], out[1]);
    }
}

void CDisplayColumns::Entries(std::int64_t firstColumn, std::int64_t columns, float* out) const {
    if (const float* floats = m_pSamples->Floats().get())
        EntriesOf([floats](std::int64_t i) { return floats[i]; }, firstColumn, columns, out);
    else
        EntriesOf([s = m_pSamples](std::int64_t i) { return (*s)[static_cast<std::size_t>(i)]; },
                  firstColumn, columns, out);
}

std::int64_t CDisplayColumns::FindOutside(std::int64_t first, std::int64_t end, float low,
                                          float high, bool last) const {
    first = std::max<std::int64_t>(first, 0);
    end = std::min(end, m_nCount);
    const auto size = [](std::size_t k) {
        return std::int64_t{1} << (kShift * static_cast<int>(k));
    };
    const auto unitEnd = [&](std::size_t k, std::int64_t pos) {
        return std::min(pos + size(k), m_nCount);
    };
    // Whether unit `pos` of level k (16^k samples from pos; a sample at k = 0) holds one.
    const auto holds = [&](std::size_t k, std::int64_t pos) {
        float mx, mn;
        if (k == 0) {
            mx = mn = (*m_pSamples)[static_cast<std::size_t>(pos)];
        } else if (k == 1) {
            Level0(pos >> kShift, mx, mn);
        } else {
            const auto at = static_cast<std::size_t>(pos >> (kShift * static_cast<int>(k)));
            mx = m_levels[k - 1].maxima[at];
            mn = m_levels[k - 1].minima[at];
        }
        return mn < low || mx > high;
    };
    const std::size_t levels = m_bPending ? 0 : m_levels.size();
    if (!last) {
        for (std::int64_t pos = first; pos < end;) {
            std::size_t k = 0;  // the largest unit from pos that ends by `end`
            while (k < levels && (pos & (size(k + 1) - 1)) == 0 && unitEnd(k + 1, pos) <= end) ++k;
            if (!holds(k, pos)) {
                pos = unitEnd(k, pos);
                continue;
            }
            while (k-- > 0)  // the first unit a level down that holds one, which there is
                while (!holds(k, pos)) pos = unitEnd(k, pos);
            return pos;
        }
        return -1;
    }
    for (std::int64_t pos = end; pos > first;) {
        std::size_t k = 0;  // the largest unit that ends at pos and starts at `first` or after
        while (k < levels) {
            const std::int64_t start = (pos - 1) & ~(size(k + 1) - 1);
            if (start < first || unitEnd(k + 1, start) != pos) break;
            ++k;
        }
        std::int64_t start = (pos - 1) & ~(size(k) - 1);
        if (!holds(k, start)) {
            pos = start;
            continue;
        }
        while (k-- > 0) {  // the last unit a level down that holds one
            std::int64_t child = (unitEnd(k + 1, start) - 1) & ~(size(k) - 1);
            while (!holds(k, child)) child -= size(k);
            start = child;
        }
        return start;
    }
    return -1;
}

float CDisplayColumns::operator[](std::int64_t j) const {
    float entries[4];
    Entries(j / 4, 1, entries);
    return entries[j % 4];
}

std::size_t CDisplayColumns::BytesHeld() const {
    std::size_t bytes = 0;
    for (const Level& level : m_levels) bytes += 2 * level.maxima.size() * sizeof(float);
    return bytes;
}
