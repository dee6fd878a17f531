#pragma once
// CDisplayColumns: one curve's display entries (first, max, min, first of each bucket of D
// samples), made on demand for the columns asked for, from the samples and a min/max pyramid
// over them. A whole copy would take 16 bytes per sample at D = 1; the pyramid takes about
// half a byte and serves every D.

#include <cstdint>
#include <functional>
#include <vector>

#include "trace/model/CurveSamples.h"

class CDisplayColumns {
public:
    // The pyramid over samples 0 .. count-1, read from `samples` from now on (the array must
    // outlive these columns or be handed over again). false, and empty, when memory runs out.
    // progress(n) is told every n samples built, a million at a time, and may throw (a
    // cancel) to stop the build, which then leaves the columns empty.
    bool Build(const CCurveSamples& samples, std::int64_t count,
               const std::function<void(std::int64_t)>& progress = {});
    // Columns over the samples before their pyramid exists, while it is built elsewhere: a
    // column of one sample is that sample; a wider one is blank (NaN) until TakePyramid.
    void Prepare(const CCurveSamples& samples, std::int64_t count);
    bool Pending() const { return m_bPending; }
    // Takes the pyramid `built` holds over the same samples; false, and still pending, when
    // it was built over others.
    bool TakePyramid(CDisplayColumns& built);
    // Samples first .. end-1 became Rescaled(sample, k, b) (the samples already read so):
    // a block inside the range follows from its old extremes, the rule being monotonic; a
    // block on a border of the range, or one whose new extreme is 0 or NaN (which extreme
    // of several a block keeps then depends on its samples' order), is made again. The
    // lowest level, half a byte per sample, keeps the rule and applies it as it is read.
    void Rescale(std::int64_t first, std::int64_t end, double k, double b);
    // Built over these samples (wherever the object holding them has moved), so only the
    // decimation needs setting.
    bool IsOver(const CCurveSamples& samples, std::int64_t count) const {
        return m_pSamples != nullptr && m_pIdentity == samples.Identity() && m_nCount == count;
    }
    // Reads from `samples` from now on: the object that holds what they were built over.
    void Attach(const CCurveSamples& samples) { m_pSamples = &samples; }
    void SetDecimation(std::int64_t decimation) { m_nDecimation = decimation < 1 ? 1 : decimation; }
    void reset();

    explicit operator bool() const { return m_pSamples != nullptr; }
    std::int64_t Columns() const { return (m_nCount + m_nDecimation - 1) / m_nDecimation; }
    // The 4 entries of each of columns firstColumn .. firstColumn+columns-1 (all below
    // Columns()) into out.
    void Entries(std::int64_t firstColumn, std::int64_t columns, float* out) const;
    // The first (with `last`, the last) of samples first .. end-1 below `low` or above `high`
    // (NaN is neither), or -1; blocks that hold none are passed over whole.
    std::int64_t FindOutside(std::int64_t first, std::int64_t end, float low, float high,
                             bool last) const;
    // Entry j alone: the entries of column j / 4.
    float operator[](std::int64_t j) const;
    // What the pyramid holds, for the memory figures.
    std::size_t BytesHeld() const;

private:
    // Blocks of 16^k samples (k = level + 1): the largest and the smallest sample that is not
    // NaN, the first one met among equals (so -0 and +0 keep their order). A block of NaN
    // only holds -inf as its largest and +inf as its smallest, which never replace a sample.
    struct Level {
        CFloatArray maxima, minima;
        std::int64_t blocks = 0;
    };
    // Levels whose blocks lie inside one chunk of the build, which go two threads at once.
    static constexpr std::size_t kChunkLevels = 5;
    void BuildChunks(const std::function<void(std::int64_t)>& progress);
    void BuildLevel(std::size_t k, std::int64_t firstBlock, std::int64_t endBlock);
    // Level k's blocks inside samples first .. end-1 mapped by the rescaling; the indexes
    // of those that must be made again instead into `remake`.
    void RescaleBlocks(std::size_t k, std::int64_t firstBlock, std::int64_t endBlock, double kk,
                       double b, std::vector<std::int64_t>& remake);
    // A rescaling of level 0's blocks first .. end-1, kept rather than written: rewriting the
    // level takes longer than the window may wait on a long trace.
    struct Rule {
        std::int64_t firstBlock, endBlock;
        double k, b;
    };
    static constexpr std::size_t kMostRules = CCurveSamples::kMostRescalings;
    void KeepRule(std::int64_t first, std::int64_t end, double k, double b);
    // Block `block` of level 0 as it is now: the rules that hold it applied in order to its
    // stored extremes, or made from its samples where that gives no answer.
    void Level0(std::int64_t block, float& mx, float& mn) const;
    void Level0FromSamples(std::int64_t block, float& mx, float& mn) const;
    // The kept rules written into level 0, once there are too many to apply on each read.
    void FoldRules();
    // sample(i): sample i, straight from the float array where there is one.
    template <class Sample>
    void Extremes(const Sample& sample, std::int64_t s0, std::int64_t s1, float& mn,
                  float& mx) const;
    template <class Sample>
    void EntriesOf(const Sample& sample, std::int64_t firstColumn, std::int64_t columns,
                   float* out) const;

    const CCurveSamples* m_pSamples = nullptr;
    const void* m_pIdentity = nullptr;
    std::int64_t m_nCount = 0;
    std::int64_t m_nDecimation = 1;
    bool m_bPending = false;
    std::vector<Level> m_levels;
    std::vector<Rule> m_rules;
    // Level 0's blocks a kept rule's border cuts, read from their samples until folded.
    std::vector<std::int64_t> m_fromSamples;
};
