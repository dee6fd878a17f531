// The capture format: an optional magic number, then byte-coded samples of one curve.

#include <fmt/format.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "framework/core/File.h"
#include "framework/core/MessageSink.h"
#include "trace/FormatCaptureCodec.h"
#include "trace/FormatRegistry.h"
#include "trace/ReadFailures.h"
#include "trace/TraceData.h"

namespace {

// Reads and writes go in 64 KiB blocks: the bytes are those of 4 KiB blocks, and a tenth of
// the calls is worth having on a 100 MB capture.
constexpr std::size_t kBlockSize = 64 * 1024;

// Reads until n bytes or the end; returns the count read.
std::size_t ReadFully(CFile& file, void* buf, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
        const std::size_t r = file.Read(static_cast<char*>(buf) + got, n - got);
        if (r == 0) break;
        got += r;
    }
    return got;
}

struct EncodingSettings {
    int step;
    float bottom, top;
};
constexpr EncodingSettings kSettings[] = {
    {2, 0.0f, 255.0f}, {2, -2500.0f, 2500.0f}, {1, -200.0f, 200.0f}};

// The whole numbers each encoding holds.
struct WholeRange {
    int lo, hi;
};
constexpr WholeRange kWholeRange[] = {{0, 255}, {-2048, 2047}, {-128, 127}};

// The samples of a capture's payload, fed a block at a time.
class CCaptureDecoder {
public:
    // Room for the payload's samples; false (after a message) when it holds too many.
    bool Start(int encoding, std::uint64_t payload) {
        m_encoding = encoding;
        // Encoding 1 assumes a prefix per data byte; shared prefixes carry more samples, and
        // the array then grows, up to one sample per byte.
        std::uint64_t capacity = encoding == 1 ? payload / 2 : payload;
        if (encoding != 1 && capacity > INT_MAX) {
            AfxMessageBox(MSG_TOO_MANY_SAMPLES);
            return false;
        }
        capacity = std::min<std::uint64_t>(capacity, INT_MAX);
        m_samples = CFloatArray::Allocate(
            static_cast<std::size_t>(std::max<std::uint64_t>(capacity, 1)), true);
        if (!m_samples) throw std::bad_alloc();
        return true;
    }

    // false (after a message) when the samples outgrow the sample count.
    bool Feed(const std::uint8_t* block, std::size_t n) {
        if (m_encoding != 1) {
            // A file that grew since its length was taken keeps only what was counted.
            const std::size_t take = std::min(n, m_samples.size() - m_count);
            if (m_encoding == 0)
                capture::DecodeUnsigned(block, take, m_samples.get() + m_count);
            else
                capture::DecodeSigned(block, take, m_samples.get() + m_count);
            m_count += take;
            return true;
        }
        for (std::size_t used = 0; used < n;) {
            if (m_count == m_samples.size()) {
                if (m_count == INT_MAX) {
                    AfxMessageBox(MSG_TOO_MANY_SAMPLES);
                    return false;
                }
                const std::size_t grown = static_cast<std::size_t>(std::min<std::uint64_t>(
                    std::max<std::uint64_t>(2 * m_count, m_count + kBlockSize), INT_MAX));
                CFloatArray bigger = CFloatArray::Allocate(grown, true);
                if (!bigger) throw std::bad_alloc();
                std::memcpy(bigger.get(), m_samples.get(), m_count * sizeof(float));
                m_samples = std::move(bigger);
            }
            used +=
                capture::DecodePairs(block + used, n - used, m_prefix, m_samples.get() + m_count,
                                     m_samples.size() - m_count, m_count);
        }
        return true;
    }

    void Finish(CTraceData& trace) {
        trace.m_pSamples[0] = CCurveSamples(std::move(m_samples));
        trace.m_nSampleCount = static_cast<int>(m_count);
    }

private:
    int m_encoding = 0;
    CFloatArray m_samples;
    std::size_t m_count = 0;
    unsigned m_prefix = 0;
};

int EncodingOf(const std::uint8_t* head, std::size_t got) {
    std::uint32_t magic = 0;
    if (got >= 4)
        for (int k = 0; k < 4; ++k) magic |= std::uint32_t{head[k]} << (8 * k);
    return magic == capture::MAGIC_ENCODING_1 ? 1 : magic == capture::MAGIC_ENCODING_2 ? 2 : 0;
}

// Decoded in place from the mapped file, 4 MiB at a time: each piece is checked against a
// file that shrank or grew meanwhile (so a changed file is refused early, and once more at
// the end), told to the read hook (progress, cancel), decoded under a guard against pages
// that vanish with a shrinking file, and released once decoded.
bool DecodeMapped(CFile& file, CFileBytes& bytes, CTraceData& fresh, int& encoding) {
    constexpr std::size_t kPiece = std::size_t{4} << 20;
    const auto changed = [&] {
        AfxMessageBox(file.GetFilePath() + " changed size while it was read; it was not opened.");
        return false;
    };
    // A file that shrank since it was opened faults at its first byte already.
    if (!bytes.ReadGuarded([&] { encoding = EncodingOf(bytes.data(), bytes.size()); }))
        return changed();
    const std::size_t start = encoding == 0 ? 0 : 4;
    CCaptureDecoder decoder;
    if (!decoder.Start(encoding, bytes.size() - start)) return false;
    for (std::size_t at = start; at < bytes.size();) {
        const std::size_t n = std::min(kPiece, bytes.size() - at);
        if (file.GetLength() != bytes.size()) return changed();
        if (file.m_onRead) file.m_onRead(n);
        bool fed = true;
        if (!bytes.ReadGuarded([&] { fed = decoder.Feed(bytes.data() + at, n); })) return changed();
        if (!fed) return false;
        at += n;
        bytes.DoneWith(at);
    }
    if (file.GetLength() != bytes.size()) return changed();
    decoder.Finish(fresh);
    return true;
}

// For files that cannot be mapped: read in blocks.
bool DecodeRead(CFile& file, CTraceData& fresh, int& encoding) {
    std::uint8_t head[4];
    encoding = EncodingOf(head, ReadFully(file, head, sizeof head));
    if (encoding == 0) file.SeekToBegin();
    const std::uint64_t length = file.GetLength();
    CCaptureDecoder decoder;
    if (!decoder.Start(encoding,
                       encoding == 0 ? length : length - std::min<std::uint64_t>(length, 4)))
        return false;
    std::vector<std::uint8_t> storage(kBlockSize);
    for (std::size_t n; (n = file.Read(storage.data(), kBlockSize)) > 0;)
        if (!decoder.Feed(storage.data(), n)) return false;
    decoder.Finish(fresh);
    return true;
}

}  // namespace

bool capture_format::Read(CFile& file, CTraceData& fresh, CFormatState& state) {
    int encoding = 0;
    const bool read = ReportingReadFailures(file, [&] {
        CFileBytes bytes = file.MapForReading();
        return bytes ? DecodeMapped(file, bytes, fresh, encoding)
                     : DecodeRead(file, fresh, encoding);
    });
    if (!read) return false;
    const EncodingSettings& s = kSettings[encoding];
    fresh.m_nCurveCount = 1;
    fresh.m_dblStep = s.step;
    fresh.m_strStepUnit = "us";
    fresh.m_strCurveName[0] = "osc";
    fresh.m_fCurveBottom[0] = s.bottom;
    fresh.m_fCurveTop[0] = s.top;
    state.nCaptureEncoding = encoding;
    return true;
}

void capture_format::Write(CFile& file, const CTraceData& trace, const CFormatState& state) {
    const int encoding = state.nCaptureEncoding;
    std::vector<std::uint8_t> buf(kBlockSize);
    std::size_t used = 0;
    if (encoding == 1 || encoding == 2) {
        const std::uint32_t magic =
            encoding == 1 ? capture::MAGIC_ENCODING_1 : capture::MAGIC_ENCODING_2;
        for (int k = 0; k < 4; ++k) buf[used++] = static_cast<std::uint8_t>(magic >> (8 * k));
    }
    const std::size_t perSample = encoding == 1 ? 2 : 1;
    // A block of samples at a time, however they are held: a capture's own are decoded as
    // they are written, never all at once.
    const CCurveSamples& samples = trace.m_pSamples[0];
    const std::size_t count = samples ? static_cast<std::size_t>(trace.m_nSampleCount) : 0;
    std::vector<float> floats(kBlockSize);
    for (std::size_t j = 0; j < count;) {
        const std::size_t n = std::min(count - j, (kBlockSize - used) / perSample);
        const float* s =
            samples.View(static_cast<std::int64_t>(j), static_cast<std::int64_t>(n), floats.data());
        used += capture::EncodeSamples(encoding, s, n, buf.data() + used);
        j += n;
        if (kBlockSize - used < perSample) {
            file.Write(buf.data(), used);
            used = 0;
        }
    }
    if (used > 0) file.Write(buf.data(), used);
}

std::string capture_format::Loss(const CTraceData& trace, const CFormatState& state) {
    const auto [lo, hi] = kWholeRange[state.nCaptureEncoding];
    const int curves = std::max(trace.m_nCurveCount - 1, 0);
    long long outside = 0;
    const CCurveSamples& samples = trace.m_pSamples[0];
    std::vector<float> floats(kBlockSize);
    for (std::int64_t at = 0; samples && at < trace.m_nSampleCount;) {
        const std::int64_t n = std::min<std::int64_t>(static_cast<std::int64_t>(kBlockSize),
                                                      trace.m_nSampleCount - at);
        const float* s = samples.View(at, n, floats.data());
        for (std::int64_t j = 0; j < n; ++j) {
            const float v = s[j];
            // Truncated toward zero, as the writer stores it; NaN is not kept either.
            outside += !(v > static_cast<float>(lo) - 1.0f && v < static_cast<float>(hi) + 1.0f);
        }
        at += n;
    }
    if (curves == 0 && outside == 0) return {};
    return fmt::format(
        "In the capture format only curve 0 is kept, as whole numbers from {} to {}; {} other "
        "{} and {} {} out of range will not be kept.",
        lo, hi, curves, curves == 1 ? "curve" : "curves", outside,
        outside == 1 ? "sample" : "samples");
}
