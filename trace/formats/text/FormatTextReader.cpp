// The text trace reader: file-type line, keyword header, data rows of up to 8 numbers.

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "framework/core/File.h"
#include "framework/core/MessageSink.h"
#include "framework/core/NumberText.h"
#include "framework/core/Utf8.h"
#include "trace/formats/FormatRegistry.h"
#include "trace/formats/ReadFailures.h"
#include "trace/formats/io/ChunkedRead.h"
#include "trace/formats/io/LineReader.h"
#include "trace/formats/text/FormatTextParser.h"
#include "trace/formats/text/FormatTextTokens.h"
#include "trace/model/Extremes.h"

namespace {

// Data smaller than this per thread is read on one: a thread costs more than it saves.
constexpr std::uint64_t kBytesPerThread = std::uint64_t{1} << 20;

}  // namespace

bool text_format::Read(CFile& file, CTraceData& fresh, CFormatState&) {
    const auto stamp = [&file] { return std::pair(file.GetLength(), file.GetModified()); };
    const std::string& path = file.GetFilePath();
    const std::string name = path.substr(path.rfind('/') + 1);
    return ReportingReadFailures(file, [&] {
        const auto before = stamp();
        CTraceData counted;
        CTextTraceParser counting(counted);
        const std::optional<std::uint64_t> data = counting.ReadHeader(file);
        const std::vector<CFileChunk> chunks =
            data ? SplitAtLineFeeds(file, *data, 2, kBytesPerThread) : std::vector<CFileChunk>{};
        const std::vector<std::int64_t> rows = counting.CountRows(file, chunks);
        if (counting.TooManyRows()) {
            AfxMessageBox(MSG_TOO_MANY_SAMPLES);
            return false;
        }
        // No file-type line: an empty trace, as ever, but not without a word.
        if (counting.ParseState() == 0) {
            AfxNotice((name.empty() ? std::string("The file") : name) +
                      " holds no \"FileType QDL-RV\" line; nothing was read.");
        }
        CTextTraceParser storing(fresh);
        if (storing.ReadHeader(file) != data ||
            !storing.StoreRows(file, chunks, rows, counted.m_nSampleCount)) {
            // The file changed between the passes: the rows as one thread would store them.
            fresh = CTraceData();
            file.SeekToBegin();
            CTextTraceParser again(fresh);
            again.ReadTraceLines(file, true, counted.m_nSampleCount);
        }
        if (stamp() != before) {
            // The file changed while it was read (cut short, written anew): what the threads
            // stored may mix two versions. Once more on one thread, from a count of its own;
            // a file that changes again is not opened.
            const auto again = stamp();
            CTraceData recounted;
            CTextTraceParser recount(recounted);
            file.SeekToBegin();
            recount.ReadTraceLines(file, false, 0);
            fresh = CTraceData();
            file.SeekToBegin();
            CTextTraceParser restore(fresh);
            restore.ReadTraceLines(file, true, recounted.m_nSampleCount);
            if (recount.TooManyRows() || stamp() != again) {
                AfxMessageBox((name.empty() ? std::string("The file") : name) +
                              " changed while it was read; it was not opened.");
                return false;
            }
        }
        CTextTraceParser(fresh).CompleteRanges([&file] {
            if (file.m_onRead) file.m_onRead(0);
        });
        return true;
    });
}

std::optional<std::uint64_t> CTextTraceParser::ReadHeader(CFile& file) {
    return ForEachLineOf(ReadFrom(file, 0), true, true,
                         [&](std::string_view line, std::size_t readable) {
                             return ParseLine(line, false, 0, readable) != 2;
                         });
}

void CTextTraceParser::AddLines(std::int64_t n) {
    m_nLineNo = static_cast<int>(std::min<std::int64_t>(INT_MAX, std::int64_t{m_nLineNo} + n));
}

std::vector<std::int64_t> CTextTraceParser::CountRows(CFile& file,
                                                      const std::vector<CFileChunk>& chunks) {
    std::vector<std::int64_t> rows(chunks.size()), lines(chunks.size());
    if (chunks.empty()) return rows;
    ReadChunksInParallel(file, chunks, [&](std::size_t i, const ChunkRead& read) {
        // Counted here and handed over at the end: counters side by side in memory would
        // make the threads take turns at their cache line.
        std::int64_t r = 0, l = 0;
        ForEachLineOf(read, false, chunks[i].last, [&](std::string_view line, std::size_t) {
            ++l;
            if (!trace_tokens::IsBlank(line)) ++r;
        });
        rows[i] = r;
        lines[i] = l;
    });
    std::int64_t total = 0;
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        total += rows[i];
        AddLines(lines[i]);
    }
    m_bTooManyRows = total > INT_MAX;
    m_trace.m_nSampleCount = static_cast<int>(std::min<std::int64_t>(total, INT_MAX));
    return rows;
}

bool CTextTraceParser::StoreRows(CFile& file, const std::vector<CFileChunk>& chunks,
                                 const std::vector<std::int64_t>& counted, int nCapacity) {
    struct Part {
        std::int64_t first = 0;  // its first row's number, from the counts
        std::int64_t stored = 0, lines = 0;
        int curves = 0;
        bool overflow = false;
    };
    std::vector<Part> parts(chunks.size());
    for (std::size_t i = 1; i < parts.size(); ++i)
        parts[i].first = parts[i - 1].first + counted[i - 1];
    // A curve gets its array when a row first reaches it. The first rows of both parts
    // reach every curve at once: one thread takes them from the front, the other from the
    // back, so that their pages are had in parallel.
    std::once_flag allocated[CTraceData::MAX_CURVES];
    ReadChunksInParallel(file, chunks, [&](std::size_t i, const ChunkRead& read) {
        Part part = parts[i];  // a copy of its own, for the reason CountRows gives
        std::string work;
        float* columns[CTraceData::MAX_CURVES] = {};
        int known = 0;
        ForEachLineOf(
            read, false, chunks[i].last, [&](std::string_view line, std::size_t readable) {
                ++part.lines;
                float values[trace_tokens::MAX_TOKENS];
                const int n = trace_tokens::ReadRow(line, work, values, readable);
                if (n == 0) return true;
                if (part.stored == counted[i]) {
                    part.overflow = true;
                    return false;
                }
                if (n > known) {
                    for (int j = known; j < n; ++j) {
                        const int k = i % 2 == 0 ? j : n - 1 - (j - known);
                        CFloatArray& a = m_trace.m_pSamples[k].Floats();
                        // Nothing is thrown inside: a call_once left by an exception can
                        // keep the other thread waiting for good.
                        std::call_once(allocated[k], [&] {
                            a = CFloatArray::Allocate(static_cast<std::size_t>(nCapacity), true);
                        });
                        if (!a) throw std::bad_alloc();  // the open fails
                        columns[k] = a.get();
                    }
                    known = n;
                }
                const auto row = static_cast<std::size_t>(part.first + part.stored);
                for (int k = 0; k < n; ++k) columns[k][row] = values[k];
                ++part.stored;
                part.curves = std::max(part.curves, n);
                return true;
            });
        parts[i] = part;
    });
    // Rows a part counted but could not read leave a gap; the rows after it close up.
    std::int64_t total = 0, written = 0;
    for (const Part& part : parts) {
        if (part.overflow) return false;
        // Left in pieces (each piece's source lies past its target), so that a cancel is
        // heard between them.
        constexpr std::int64_t kPiece = std::int64_t{1} << 22;
        for (CCurveSamples& curve : m_trace.m_pSamples) {
            CFloatArray& a = curve.Floats();
            for (std::int64_t at = 0; a && part.first != total && at < part.stored; at += kPiece) {
                std::memmove(
                    a.get() + total + at, a.get() + part.first + at,
                    static_cast<std::size_t>(std::min(kPiece, part.stored - at)) * sizeof(float));
                if (file.m_onRead) file.m_onRead(0);
            }
        }
        total += part.stored;
        written = part.first + part.stored;
        AddLines(part.lines);
        m_trace.m_nCurveCount = std::max(m_trace.m_nCurveCount, part.curves);
    }
    for (CCurveSamples& curve : m_trace.m_pSamples)
        if (CFloatArray& a = curve.Floats(); a && written > total)
            std::memset(a.get() + total, 0,
                        static_cast<std::size_t>(written - total) * sizeof(float));
    m_trace.m_nSampleCount = static_cast<int>(total);
    return true;
}

void CTextTraceParser::ReadTraceLines(CFile& file, bool bStore, int nCapacity) {
    ForEachLine(file, [&](std::string_view line, std::size_t readable) {
        ParseLine(line, bStore, nCapacity, readable);
    });
}

int CTextTraceParser::ParseLine(std::string_view line, bool bStore, int nCapacity,
                                std::size_t readable) {
    if (m_nParseState == 2) {
        ParseDataRow(line, bStore, nCapacity, readable);
    } else {
        const std::string_view bytes = trace_tokens::LineText(line);
        if (m_nParseState == 1) {
            ParseHeaderLine(bytes);
        } else if (bytes.find("FileType") != std::string_view::npos) {
            std::string_view tokens[trace_tokens::MAX_TOKENS];
            std::size_t offsets[trace_tokens::MAX_TOKENS];
            const int n = trace_tokens::Cut(trace_tokens::Collapse(bytes, m_work), tokens, offsets);
            if (n >= 2 && tokens[0] == "FileType" && tokens[1] == "QDL-RV") m_nParseState = 1;
        }
    }
    if (m_nLineNo < INT_MAX) ++m_nLineNo;
    return m_nParseState;
}

void CTextTraceParser::ParseHeaderLine(std::string_view bytes) {
    if (bytes.empty() && m_trace.m_nCurveCount > 0) {
        m_nParseState = 2;
        return;
    }
    const std::string text = SanitizeUtf8(bytes);
    std::string_view cut[trace_tokens::MAX_TOKENS];
    std::size_t offsets[trace_tokens::MAX_TOKENS];
    const int n = trace_tokens::Cut(trace_tokens::Collapse(text, m_work), cut, offsets);
    std::string tok[trace_tokens::MAX_TOKENS];
    for (int k = 0; k < n; ++k) tok[k] = cut[k];

    if (tok[0] == "Curve" && m_trace.m_nCurveCount < CTraceData::MAX_CURVES) {
        const int i = m_trace.m_nCurveCount++;
        m_trace.m_strCurveName[i] = tok[1];
        m_trace.m_strCurveUnit[i] = tok[2];
        m_trace.m_fCurveBottom[i] = numtext::NarrowToFloat(numtext::ParseReal(tok[3]));
        m_trace.m_fCurveTop[i] = numtext::NarrowToFloat(numtext::ParseReal(tok[4]));
    } else if (tok[0] == "Step") {
        // Any real step (1.25 ns, 6.66666666667 ms); a step of 0 or no number is 1.
        m_trace.m_dblStep = numtext::ParseReal(tok[1]);
        if (m_trace.m_dblStep == 0 || !std::isfinite(m_trace.m_dblStep)) m_trace.m_dblStep = 1;
        m_trace.m_strStepUnit = tok[2];
        m_trace.m_strStepSource = "its Step line";
    } else if (tok[0] == "DateTime") {
        // The colons of a time split it into three tokens; put it back together.
        m_trace.m_strHeaderText +=
            tok[0] + ":" + tok[1] + " " + tok[2] + ":" + tok[3] + ":" + tok[4] + "        ";
    } else {
        m_trace.m_strHeaderText += tok[0] + ":" + tok[1] + "        ";
    }
}

void CTextTraceParser::ParseDataRow(std::string_view line, bool bStore, int nCapacity,
                                    std::size_t readable) {
    if (!bStore) {
        // Counting needs only whether the row holds anything; numbers are converted once,
        // in the storing pass.
        if (trace_tokens::IsBlank(line)) return;
        if (m_trace.m_nSampleCount == INT_MAX) {
            m_bTooManyRows = true;
            return;
        }
        ++m_trace.m_nSampleCount;
        return;
    }
    float values[trace_tokens::MAX_TOKENS];
    const int n = trace_tokens::ReadRow(line, m_work, values, readable);
    if (n == 0) return;
    // Rows past the counted capacity (the file grew between the passes) have no room.
    if (m_trace.m_nSampleCount >= nCapacity) return;
    m_trace.m_nCurveCount = std::max(m_trace.m_nCurveCount, n);
    const auto row = static_cast<std::size_t>(m_trace.m_nSampleCount);
    for (int k = 0; k < n; ++k) {
        CFloatArray& a = m_trace.m_pSamples[k].Floats();
        if (!a) {
            a = CFloatArray::Allocate(static_cast<std::size_t>(nCapacity), true);
            if (!a) throw std::bad_alloc();  // the open fails
        }
        a[row] = values[k];
    }
    ++m_trace.m_nSampleCount;
}

void CTextTraceParser::CompleteRanges(const std::function<void()>& checkpoint) {
    for (int i = 0; i < m_trace.m_nCurveCount; ++i) {
        const float width = m_trace.m_fCurveTop[i] - m_trace.m_fCurveBottom[i];
        if (static_cast<double>(width) > 0.0001) continue;
        // A declared curve that no row reaches has no samples to take a range from.
        if (!m_trace.m_pSamples[i] || m_trace.m_nSampleCount == 0) continue;
        CurveExtremes(m_trace.m_pSamples[i].Floats().get(), m_trace.m_nSampleCount,
                      m_trace.m_fCurveBottom[i], m_trace.m_fCurveTop[i], checkpoint);
    }
}
