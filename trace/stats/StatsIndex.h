#pragma once
// The moments of a curve's samples a block of 4096 at a time (32 bytes a block, under 0.01
// byte a sample), built once when a trace opens: the statistics of any range then cost the
// blocks that lie inside it and the samples of its two partial ends, milliseconds for a
// selection of billions of samples. Blocks over samples that changed are made again from them.

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "trace/model/CurveSamples.h"
#include "trace/model/Moments.h"

class CStatsIndex {
public:
    static constexpr std::int64_t kBlock = 4096;

    // The blocks over samples 0 .. count-1 on two threads; progress(n) as the display columns'
    // build tells it (it may throw to stop, and the index is then empty). false when memory
    // runs out.
    bool Build(const CCurveSamples& samples, std::int64_t count,
               const std::function<void(std::int64_t)>& progress = {});
    // Samples first .. end-1 changed: their blocks again, at once for a few; past that the
    // blocks are marked stale, and a range over them reads their samples instead, so that a
    // change over billions of samples costs nothing until its statistics are asked for.
    void Rebuild(const CCurveSamples& samples, std::int64_t first, std::int64_t end);
    static constexpr std::int64_t kMostRebuilt = std::int64_t{1} << 22;
    // How many of samples first .. first+n-1 lie in stale blocks.
    std::int64_t StaleSamples(std::int64_t first, std::int64_t n) const;
    bool IsOver(const CCurveSamples& samples, std::int64_t count) const {
        return !m_blocks.empty() && m_pIdentity == samples.Identity() && m_nCount == count;
    }
    void reset();

    // The moments of samples first .. first+n-1 (n >= 1), from the blocks inside the range
    // and the samples of its ends.
    Moments Range(const CCurveSamples& samples, std::int64_t first, std::int64_t n) const;
    std::size_t BytesHeld() const { return m_blocks.size() * sizeof(Packed); }

private:
    // A block's moments as kept: counts fit in 16 bits, a block holding 4096 samples.
    struct Packed {
        double mean, m2;
        float max, min;
        std::uint16_t count, nan, posInf, negInf;
    };
    static_assert(sizeof(Packed) == 32);
    static Packed Pack(const Moments& m);
    static Moments Unpack(const Packed& p);

    // Where the stale blocks holding block b end; b when it is not stale.
    std::int64_t StaleEnd(std::int64_t b) const;

    std::vector<Packed> m_blocks;
    // Stale blocks: sorted ranges of block numbers [first, end) that neither touch nor
    // overlap.
    std::vector<std::pair<std::int64_t, std::int64_t>> m_stale;
    const void* m_pIdentity = nullptr;
    std::int64_t m_nCount = 0;
};

// The moments of blocks of kBlock samples from `first`, `blocks` of them (the last may end
// with the samples), into out: from the source's own where it has them, else from floats.
void BlockMomentsOf(const CCurveSamples& samples, std::int64_t first, std::int64_t blocks,
                    std::int64_t count, Moments* out, std::vector<float>& buffer);

// The moments of n samples from `first` on of a curve of `count`, without an index: the same
// blocks, combined the same way, so the same figures as an index gives.
// progress(n) is told every n samples done, a million at a time, and may throw to stop.
Moments MomentsOfRange(const CCurveSamples& samples, std::int64_t first, std::int64_t n,
                       std::int64_t count, const std::function<void(std::int64_t)>& progress = {});
