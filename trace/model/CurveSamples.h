#pragma once
// CCurveSamples: one curve's samples, however they are held. A trace read whole (text, CSV,
// WAV) keeps them as one float array; a capture decodes them from its file when they are
// asked for (a CSampleSource), so that opening it costs neither the time nor the memory of a
// float per sample. Changes to a source's samples go into float pieces over the changed
// range only, which every read sees.

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>

#include "trace/model/FloatArray.h"
#include "trace/model/Moments.h"

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
    // Each of samples first .. end-1 becomes change(sample).
    template <class Change>
    void Transform(std::int64_t first, std::int64_t end, Change change) {
        if (m_floats) {
            float* s = m_floats.get();
            for (std::int64_t j = first; j < end; ++j) s[j] = change(s[j]);
            return;
        }
        for (std::int64_t j = first; j < end;) {
            const std::int64_t piece = j / kPiece;
            const std::int64_t stop = std::min(end, (piece + 1) * kPiece);
            float* s = EditedPiece(piece) - piece * kPiece;
            for (; j < stop; ++j) s[j] = change(s[j]);
        }
    }
    void reset();

private:
    float At(std::int64_t i) const;
    // The piece's samples as floats of its own, made from the source on first use.
    float* EditedPiece(std::int64_t piece);

    CFloatArray m_floats;
    std::shared_ptr<const CSampleSource> m_source;
    std::map<std::int64_t, CFloatArray> m_edits;
};
