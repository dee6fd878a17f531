#pragma once
// CCurveSamples: one curve's samples, however they are held. A trace read whole (text, CSV,
// WAV) keeps them as one float array; a capture decodes them from its file when they are
// asked for (a CSampleSource), so that opening it costs neither the time nor the memory of a
// float per sample. A rescaling of a source's samples (kxb) is kept as it was given and
// applied to every read, so that it costs nothing until read; past kMostRescalings of them
// they go into float pieces over the changed ranges, which every read sees.

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "framework/core/NumberText.h"
#include "trace/model/FloatArray.h"
#include "trace/model/Moments.h"

// A sample rescaled: sample x k + b in double, narrowed to float, the one rule of kxb.
inline float Rescaled(float sample, double k, double b) {
    return numtext::NarrowToFloat(static_cast<double>(sample) * k + b);
}

// Samples decoded on demand. Reads may come from several threads at once.
class CSampleSource {
public:
    virtual ~CSampleSource() = default;
    virtual std::int64_t Count() const = 0;
    // Samples first .. first+n-1, all below Count(), into out.
    virtual void Read(std::int64_t first, std::int64_t n, float* out) const = 0;
    virtual float At(std::int64_t i) const {
        float v;
        Read(i, 1, &v);
        return v;
    }
    // The largest and the smallest sample of each of `blocks` blocks of `size` samples from
    // sample `first` on (the last block may end with the samples), without making floats of
    // them, where the source can; false where it cannot, and the caller reads the samples.
    virtual bool BlockExtremes(std::int64_t first, std::int64_t blocks, int size, float* maxima,
                               float* minima) const {
        (void)first, (void)blocks, (void)size, (void)maxima, (void)minima;
        return false;
    }
    // The moments of each of `blocks` blocks of `size` samples from `first` on, the same way,
    // where the source can tell them without making floats of its samples.
    virtual bool BlockMoments(std::int64_t first, std::int64_t blocks, int size,
                              Moments* out) const {
        (void)first, (void)blocks, (void)size, (void)out;
        return false;
    }
};

class CCurveSamples {
public:
    // Changes to a source's samples are kept in pieces of this many samples.
    static constexpr std::int64_t kPiece = std::int64_t{1} << 16;

    CCurveSamples() = default;
    CCurveSamples(CFloatArray floats)
        : m_floats(std::move(floats)) {}  // NOLINT: a trace read whole
    explicit CCurveSamples(std::shared_ptr<const CSampleSource> source)
        : m_source(std::move(source)) {}

    explicit operator bool() const { return m_floats || m_source; }
    std::size_t size() const;
    float operator[](std::size_t i) const {
        return m_floats ? m_floats[i] : At(static_cast<std::int64_t>(i));
    }
    // The float array of a trace read whole; empty for a source.
    CFloatArray& Floats() { return m_floats; }
    const CFloatArray& Floats() const { return m_floats; }
    const CSampleSource* Source() const { return m_source.get(); }
    // The source itself, for another thread to read the same samples (changes not included).
    std::shared_ptr<const CSampleSource> SharedSource() const { return m_source; }
    // What the samples are held in, kept when the object moves: display columns built over
    // them know them again by it.
    const void* Identity() const {
        return m_floats ? static_cast<const void*>(m_floats.get()) : m_source.get();
    }

    // Samples first .. first+n-1 into out.
    void Read(std::int64_t first, std::int64_t n, float* out) const;
    // The same samples to read in place: in the float array, or read into `buffer` (room for
    // n).
    const float* View(std::int64_t first, std::int64_t n, float* buffer) const {
        if (m_floats) return m_floats.get() + first;
        Read(first, n, buffer);
        return buffer;
    }
    // The source's own block extremes and moments (see CSampleSource) where no change
    // covers the blocks.
    bool BlockExtremes(std::int64_t first, std::int64_t blocks, int size, float* maxima,
                       float* minima) const;
    bool BlockMoments(std::int64_t first, std::int64_t blocks, int size, Moments* out) const;
    // Each of samples first .. end-1 becomes Rescaled(sample, k, b): at once in a float
    // array; for a source, on every read from now on, after the rescalings before it.
    void Rescale(std::int64_t first, std::int64_t end, double k, double b);
    struct Rescaling {
        std::int64_t first, end;
        double k, b;
    };
    // The rescalings a source's reads apply, in order.
    const std::vector<Rescaling>& Rescalings() const { return m_rescalings; }
    // More than this many go into float pieces: a read then costs no more than this many
    // passes over its samples.
    static constexpr std::size_t kMostRescalings = 64;
    // Whether a source's samples were changed here (kxb, Paste).
    bool Changed() const { return !m_edits.empty() || !m_rescalings.empty(); }
    // Drops every change to a source's samples, for a source that now reads a file holding
    // them; returns the range they covered (empty when there were none).
    std::pair<std::int64_t, std::int64_t> ForgetChanges();
    void reset();

private:
    float At(std::int64_t i) const;
    // The samples before any rescaling: edited pieces and the source.
    void ReadPieces(std::int64_t first, std::int64_t n, float* out) const;
    // The rescalings over samples first .. first+n-1, applied to out in order.
    void ApplyRescalings(std::int64_t first, std::int64_t n, float* out) const;
    bool Rescaled(std::int64_t first, std::int64_t end) const;
    // A source whose samples first .. end-1 no change covers: its own block figures hold.
    bool SourceAlone(std::int64_t first, std::int64_t end) const;
    // The rescalings into float pieces over their ranges.
    void Settle();
    // The piece's samples as floats of its own, made from the source on first use.
    float* EditedPiece(std::int64_t piece);

    CFloatArray m_floats;
    std::shared_ptr<const CSampleSource> m_source;
    std::map<std::int64_t, CFloatArray> m_edits;
    std::vector<Rescaling> m_rescalings;
};
