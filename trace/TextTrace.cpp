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
#include "trace/LineReader.h"
#include "trace/MinMax.h"
#include "trace/ReadFailures.h"
#include "trace/TextTraceParser.h"
#include "trace/TraceTokens.h"
#include "trace/tesqDoc.h"

namespace {}  // namespace

bool CtesqDoc::ReadTextTrace(CFile& file) {
    CTraceData fresh;
    const bool read = ReportingReadFailures(file, [&] {
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
        return true;
    });
    if (read) TakeTrace(std::move(fresh));
    return read;
}

void CTextTraceParser::ReadTraceLines(CFile& file, bool bStore, int nCapacity) {
    ForEachLine(file, [&](std::string_view line, std::size_t readable) {
        ParseLine(line, bStore, nCapacity, readable);
    });
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
