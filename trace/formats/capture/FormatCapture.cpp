// The capture format: an optional magic number, then byte-coded samples of one curve.

#include <fmt/format.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "framework/core/File.h"
#include "framework/core/MessageSink.h"
#include "trace/formats/FormatRegistry.h"
#include "trace/formats/ReadFailures.h"
#include "trace/formats/capture/CaptureSource.h"
#include "trace/formats/capture/FormatCaptureCodec.h"
#include "trace/model/TraceData.h"

namespace {

// Reads and writes go in 64 KiB blocks: the bytes are those of 4 KiB blocks, and a tenth of
// the calls is worth having on a 100 MB capture.
constexpr std::size_t kBlockSize = 64 * 1024;

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

int EncodingOf(const std::uint8_t* head, std::size_t got) {
    std::uint32_t magic = 0;
    if (got >= 4)
        for (int k = 0; k < 4; ++k) magic |= std::uint32_t{head[k]} << (8 * k);
    return magic == capture::MAGIC_ENCODING_1 ? 1 : magic == capture::MAGIC_ENCODING_2 ? 2 : 0;
}

bool ChangedWhileRead(const CFile& file) {
    AfxMessageBox(file.GetFilePath() + " changed size while it was read; it was not opened.");
    return false;
}

// Encoding 1 holds a sample in a data byte after any number of prefix bytes, so where sample
// i lies is only known by counting: one pass, 4 MiB at a time (told to the read hook, for
// progress and cancel), notes where every 4096th sample starts and the prefix in force there.
bool IndexPairs(CFile& file, std::uint64_t payload, std::uint64_t length, std::int64_t& count,
                std::vector<CCaptureSource::PieceStart>& index) {
    constexpr std::size_t kScan = std::size_t{4} << 20;
    constexpr std::int64_t kStep = CCaptureSource::kIndexStep;
    std::vector<std::uint8_t> bytes(kScan);
    std::vector<float> scratch(static_cast<std::size_t>(kStep));
    unsigned prefix = 0;
    std::int64_t produced = 0;
    index.push_back({payload, 0});
    for (std::uint64_t at = payload; at < length;) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kScan, length - at));
        if (file.GetLength() != length) return ChangedWhileRead(file);
        if (file.m_onRead) file.m_onRead(n);
        if (file.ReadAt(at, bytes.data(), n) != n) return ChangedWhileRead(file);
        for (std::size_t used = 0; used < n;) {
            const auto room = static_cast<std::size_t>(kStep - produced % kStep);
            std::size_t made = 0;
            used += capture::DecodePairs(bytes.data() + used, n - used, prefix, scratch.data(),
                                         room, made);
            produced += static_cast<std::int64_t>(made);
            if (produced > INT_MAX) {
                AfxMessageBox(MSG_TOO_MANY_SAMPLES);
                return false;
            }
            if (made == room) index.push_back({at + used, prefix});
        }
        at += n;
    }
    if (file.GetLength() != length) return ChangedWhileRead(file);
    index.resize(static_cast<std::size_t>((produced + kStep - 1) / kStep));
    count = produced;
    return true;
}

// The samples stay in the file: only what a piece needs is read when it is asked for.
bool Open(CFile& file, CTraceData& fresh, int& encoding) {
    // Taken first: any change after this is one the samples' reads will notice.
    const CCaptureSource::Stamp stamp = file.GetStamp();
    const std::uint64_t length = stamp.length;
    std::uint8_t head[4];
    encoding = EncodingOf(head, file.ReadAt(0, head, sizeof head));
    const std::uint64_t payload = encoding == 0 ? 0 : 4;
    std::int64_t count = 0;
    std::vector<CCaptureSource::PieceStart> index;
    if (encoding == 1) {
        if (!IndexPairs(file, payload, length, count, index)) return false;
    } else {
        // A sample a byte: the count is known from the size, at once.
        if (length - payload > INT_MAX) {
            AfxMessageBox(MSG_TOO_MANY_SAMPLES);
            return false;
        }
        count = static_cast<std::int64_t>(length - payload);
        if (file.m_onRead) file.m_onRead(0);
    }
    if (count > 0) {
        std::unique_ptr<CFile> own = file.Duplicate();
        if (!own) throw CFileException(CFileException::genericException, 0, file.GetFilePath());
        fresh.m_pSamples[0] = CCurveSamples(std::make_shared<CCaptureSource>(
            std::move(own), stamp, encoding, payload, count, std::move(index)));
    }
    fresh.m_nSampleCount = static_cast<int>(count);
    return true;
}

}  // namespace

bool ReadSavedFile(const std::vector<const CCaptureSource*>& captures, const std::string& path) {
    if (captures.empty()) return true;
    CFile file;
    CTraceData fresh;
    int encoding = 0;
    if (file.Open(path, CFile::modeRead) &&
        ReportingReadFailures(file, [&] { return Open(file, fresh, encoding); }))
        if (const auto* saved = dynamic_cast<const CCaptureSource*>(fresh.m_pSamples[0].Source());
            saved != nullptr) {
            bool same = true;
            for (const CCaptureSource* capture : captures)
                same = same && saved->Count() == capture->Count() &&
                       saved->Encoding() == capture->Encoding();
            if (same) {
                for (const CCaptureSource* capture : captures) capture->ReadFileOf(*saved);
                return true;
            }
        }
    AfxMessageBox(path +
                  " was saved, but its samples cannot be read back from it as they were: "
                  "reload it to see what it holds.");
    return false;
}

bool capture_format::Read(CFile& file, CTraceData& fresh, CFormatState& state) {
    int encoding = 0;
    if (!ReportingReadFailures(file, [&] { return Open(file, fresh, encoding); })) return false;
    const EncodingSettings& s = kSettings[encoding];
    fresh.m_nCurveCount = 1;
    fresh.m_dblStep = s.step;
    fresh.m_strStepUnit = "us";
    fresh.m_strStepSource = "the capture's encoding";
    fresh.m_strCurveName[0] = "osc";
    fresh.m_fCurveBottom[0] = s.bottom;
    fresh.m_fCurveTop[0] = s.top;
    state.nCaptureEncoding = encoding;
    return true;
}

namespace {

// The capture that curve 0 reads, unchanged and in the encoding given: its samples are its
// file's, nothing to convert. Null otherwise.
const CCaptureSource* SameCapture(const CTraceData& trace, int encoding) {
    const CCurveSamples& samples = trace.m_pSamples[0];
    const auto* capture = dynamic_cast<const CCaptureSource*>(samples.Source());
    return capture != nullptr && !samples.Changed() && capture->Encoding() == encoding &&
                   capture->Count() == trace.m_nSampleCount
               ? capture
               : nullptr;
}

}  // namespace

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
    // A byte a sample, unchanged: the file's own bytes (a file changed meanwhile is noticed
    // by the caller, and the block is then written as its samples read).
    const CCaptureSource* same = SameCapture(trace, encoding);
    std::vector<std::uint8_t> bytes;
    for (std::size_t j = 0; j < count;) {
        const std::size_t n = std::min(count - j, (kBlockSize - used) / perSample);
        if (same != nullptr && perSample == 1) {
            bytes.resize(n);
            if (same->ReadBytes(static_cast<std::int64_t>(j), bytes)) {
                std::copy(bytes.begin(), bytes.end(),
                          buf.begin() + static_cast<std::ptrdiff_t>(used));
                used += n;
                j += n;
                if (used == kBlockSize) {
                    file.Write(buf.data(), used);
                    used = 0;
                }
                continue;
            }
        }
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
    long long outside = 0, gaps = 0, fractions = 0;
    const CCurveSamples& samples = trace.m_pSamples[0];
    std::vector<float> floats(kBlockSize);
    // A capture saved in its own encoding, unchanged, keeps every sample.
    const bool same = SameCapture(trace, state.nCaptureEncoding) != nullptr;
    for (std::int64_t at = 0; samples && !same && at < trace.m_nSampleCount;) {
        const std::int64_t n = std::min<std::int64_t>(static_cast<std::int64_t>(kBlockSize),
                                                      trace.m_nSampleCount - at);
        if (state.progress) state.progress(static_cast<std::uint64_t>(n));
        const float* s = samples.View(at, n, floats.data());
        for (std::int64_t j = 0; j < n; ++j) {
            const float v = s[j];
            // Truncated toward zero, as the writer stores it; a gap (NaN) is not kept either.
            gaps += std::isnan(v);
            const bool inRange =
                v > static_cast<float>(lo) - 1.0f && v < static_cast<float>(hi) + 1.0f;
            outside += !std::isnan(v) && !inRange;
            fractions += inRange && v != std::trunc(v);
        }
        at += n;
    }
    // A fraction is cut off as the writer stores the sample: said too.
    const std::string cut =
        fractions == 0
            ? std::string()
            : fmt::format("{} {} with a fraction will be cut to {} whole part.", fractions,
                          fractions == 1 ? "sample" : "samples", fractions == 1 ? "its" : "their");
    if (curves == 0 && outside == 0 && gaps == 0)
        return WithOriginLoss(
            trace, cut.empty() ? std::string()
                               : fmt::format("In the capture format samples are whole numbers "
                                             "from {} to {}: {}",
                                             lo, hi, cut));
    const std::string missing =
        gaps == 0 ? std::string()
                  : fmt::format(", {} {} (missing {})", gaps, gaps == 1 ? "gap" : "gaps",
                                gaps == 1 ? "sample" : "samples");
    return WithOriginLoss(
        trace, fmt::format("In the capture format only curve 0 is kept, as whole numbers from {} "
                           "to {}; {} other {}{} and {} {} out of range will not be kept.{}",
                           lo, hi, curves, curves == 1 ? "curve" : "curves", missing, outside,
                           outside == 1 ? "sample" : "samples", cut.empty() ? "" : " " + cut));
}
