// The text trace reader: file-type line, keyword header, data rows of up to 8 numbers.

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "framework/core/File.h"
#include "framework/core/MessageSink.h"
#include "framework/core/NumberText.h"
#include "framework/core/Utf8.h"
#include "trace/MinMax.h"
#include "trace/TextTraceParser.h"
#include "trace/TraceTokens.h"
#include "trace/tesqDoc.h"

namespace {

// Large enough that a read costs little per line, small enough to stay in cache. Lines
// longer than a block grow the buffer rather than lose their beginning.
constexpr std::size_t kBlockSize = 256 * 1024;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Zero bytes kept after the buffer's end, so that every line in it can be read past.
constexpr std::size_t kPadding = 16;

}  // namespace

bool CtesqDoc::ReadTextTrace(CFile& file) {
    CTraceData fresh;
    try {
        {
            CTraceData counted;
            CTextTraceParser counting(counted);
            counting.ReadTraceLines(file, false, 0);
            if (counting.TooManyRows()) {
                AfxMessageBox(MSG_TOO_MANY_SAMPLES);
                return false;
            }
            file.SeekToBegin();
            CTextTraceParser storing(fresh);
            storing.ReadTraceLines(file, true, counted.m_nSampleCount);
            storing.CompleteRanges();
        }
    } catch (const CFileException& e) {
        e.ReportError();
        return false;
    } catch (const std::bad_alloc&) {
        AfxMessageBox(NoMemoryMessage(file.GetFilePath()));
        return false;
    }
    TakeTrace(std::move(fresh));
    return true;
}

void CTextTraceParser::ReadTraceLines(CFile& file, bool bStore, int nCapacity) {
    bool bomChecked = file.GetPosition() != 0;
    std::vector<char> storage(kBlockSize + kPadding);
    std::size_t capacity = kBlockSize;  // storage minus the padding
    char* buf = storage.data();
    std::size_t have = 0;       // bytes in buf
    std::size_t lineStart = 0;  // start of the line not yet handed over
    std::size_t scanned = 0;    // bytes already searched for a line feed
    for (;;) {
        if (lineStart > 0) {
            std::memmove(buf, buf + lineStart, have - lineStart);
            have -= lineStart;
            scanned -= lineStart;
            lineStart = 0;
        }
        if (have == capacity) {
            capacity *= 2;
            storage.resize(capacity + kPadding);
            buf = storage.data();
        }
        const std::size_t n = file.Read(buf + have, capacity - have);
        if (n == 0) break;
        have += n;
        if (!bomChecked) {
            if (have < kByteOrderMark.size()) continue;
            bomChecked = true;
            if (std::string_view(buf, kByteOrderMark.size()) == kByteOrderMark)
                lineStart = scanned = kByteOrderMark.size();
        }
#if defined(__SSE2__)
        // Sixteen bytes a test: most lines are shorter than a call to memchr is worth.
        const __m128i lineFeed = _mm_set1_epi8('\n');
        for (; scanned + 16 <= have; scanned += 16) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(buf + scanned));
            for (unsigned mask =
                     static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, lineFeed)));
                 mask != 0; mask &= mask - 1) {
                const std::size_t pos = scanned + static_cast<std::size_t>(__builtin_ctz(mask));
                ParseLine(std::string_view(buf + lineStart, pos - lineStart), bStore, nCapacity,
                          kPadding);
                lineStart = pos + 1;
            }
        }
#endif
        while (scanned < have) {
            const void* nl = std::memchr(buf + scanned, '\n', have - scanned);
            if (nl == nullptr) {
                scanned = have;
                break;
            }
            const std::size_t pos = static_cast<std::size_t>(static_cast<const char*>(nl) - buf);
            ParseLine(std::string_view(buf + lineStart, pos - lineStart), bStore, nCapacity,
                      kPadding);
            lineStart = scanned = pos + 1;
        }
    }
    // Text after the last line feed is a final line, empty when the file ends with one.
    std::memset(buf + have, 0, kPadding);
    ParseLine(std::string_view(buf + lineStart, have - lineStart), bStore, nCapacity, kPadding);
}

int CTextTraceParser::ParseLine(std::string_view line, bool bStore, int nCapacity,
                                std::size_t readable) {
    if (m_trace.m_nParseState == 2) {
        ParseDataRow(line, bStore, nCapacity, readable);
    } else {
        const std::string_view bytes = trace_tokens::LineText(line);
        if (m_trace.m_nParseState == 1) {
            ParseHeaderLine(bytes);
        } else if (bytes.find("FileType") != std::string_view::npos) {
            std::string_view tokens[trace_tokens::MAX_TOKENS];
            std::size_t offsets[trace_tokens::MAX_TOKENS];
            const int n = trace_tokens::Cut(trace_tokens::Collapse(bytes, m_work), tokens, offsets);
            if (n >= 2 && tokens[0] == "FileType" && tokens[1] == "QDL-RV")
                m_trace.m_nParseState = 1;
        }
    }
    if (m_trace.m_nLineNo < INT_MAX) ++m_trace.m_nLineNo;
    return m_trace.m_nParseState;
}

void CTextTraceParser::ParseHeaderLine(std::string_view bytes) {
    if (bytes.empty() && m_trace.m_nCurveCount > 0) {
        m_trace.m_nParseState = 2;
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
        m_trace.m_nStep = numtext::ParseInt(tok[1]);
        if (m_trace.m_nStep == 0) m_trace.m_nStep = 1;
        m_trace.m_strStepUnit = tok[2];
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
        if (!m_trace.m_pSamples[k]) {
            m_trace.m_pSamples[k] =
                CFloatArray::Allocate(static_cast<std::size_t>(nCapacity), true);
            if (!m_trace.m_pSamples[k]) throw std::bad_alloc();  // the open fails
        }
        m_trace.m_pSamples[k][row] = values[k];
    }
    ++m_trace.m_nSampleCount;
}

void CTextTraceParser::CompleteRanges() {
    for (int i = 0; i < m_trace.m_nCurveCount; ++i) {
        const float width = m_trace.m_fCurveTop[i] - m_trace.m_fCurveBottom[i];
        if (static_cast<double>(width) > 0.0001) continue;
        // A declared curve that no row reaches has no samples to take a range from.
        if (!m_trace.m_pSamples[i] || m_trace.m_nSampleCount == 0) continue;
        CurveExtremes(m_trace.m_pSamples[i].get(), m_trace.m_nSampleCount,
                      m_trace.m_fCurveBottom[i], m_trace.m_fCurveTop[i]);
    }
}
