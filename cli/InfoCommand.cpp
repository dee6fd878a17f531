// tesqv-cli info: the trace as File Open reads it, as one JSON object.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/Json.h"
#include "trace/document/Document.h"
#include "trace/document/TraceProperties.h"
#include "trace/formats/FormatRegistry.h"
#include "trace/model/Extremes.h"
#include "trace/model/HeaderItems.h"
#include "trace/model/TimeBase.h"

namespace {

void WriteCurve(std::string& out, const CtesqDoc& doc, int i, bool withSamples) {
    const CCurveSamples& samples = doc.Trace().m_pSamples[i];
    const bool has = static_cast<bool>(samples) && doc.Trace().m_nSampleCount > 0;
    out += "{\"name\":" + json::Quote(doc.Trace().m_strCurveName[i]);
    out += ",\"unit\":" + json::Quote(doc.Trace().m_strCurveUnit[i]);
    out += ",\"bottom\":" + json::Number(doc.Trace().m_fCurveBottom[i]);
    out += ",\"top\":" + json::Number(doc.Trace().m_fCurveTop[i]);
    out += ",\"hasSamples\":";
    out += has ? "true" : "false";
    if (has) {
        float lo, hi;
        CurveExtremes(samples, doc.Trace().m_nSampleCount, lo, hi);
        out += ",\"min\":" + json::Number(lo) + ",\"max\":" + json::Number(hi);
    } else {
        out += ",\"min\":null,\"max\":null";
    }
    if (withSamples) {
        out += ",\"samples\":[";
        for (int j = 0; has && j < doc.Trace().m_nSampleCount; ++j) {
            if (j > 0) out += ',';
            out += json::Number(samples[static_cast<std::size_t>(j)]);
            // Streamed: the text of every sample would take several times the trace.
            if (out.size() >= (std::size_t{1} << 16)) {
                std::fwrite(out.data(), 1, out.size(), stdout);
                out.clear();
            }
        }
        out += ']';
    }
    out += '}';
}

}  // namespace

int RunInfo(const InfoOptions& options) {
    const std::string& path = options.path;
    const bool withSamples = options.withSamples;
    if (!KnownTraceFile(path, false)) return 1;
    CtesqDoc doc;
    doc.OnNewDocument();
    CStderrMessages messages;
    doc.m_curvesToRead = options.curves;
    // What the reader guessed goes to stderr as everywhere, and into the object as "notes".
    std::vector<std::string> notes;
    MessageSink toStderr;
    toStderr = SetNoticeSink([&notes, &toStderr](std::string_view text) {
        notes.emplace_back(text);
        if (toStderr) toStderr(text);
    });
    const bool opened = OpenTrace(doc, path, messages);
    SetNoticeSink(toStderr);
    if (!opened) return 1;

    std::string out = "{\"curveCount\":" + std::to_string(doc.Trace().m_nCurveCount);
    out += ",\"sampleCount\":" + std::to_string(doc.Trace().m_nSampleCount);
    out += ",\"step\":" + json::Exact(doc.Trace().m_dblStep);
    out += ",\"stepUnit\":" + json::Quote(doc.Trace().m_strStepUnit);
    if (doc.Trace().m_dblOrigin != 0)
        out += ",\"timeOrigin\":" + json::Exact(doc.Trace().m_dblOrigin);
    out += ",\"oscFormat\":" + std::to_string(doc.m_nOscFormat);
    out += ",\"headerText\":" + json::Quote(doc.Trace().m_strHeaderText);
    // What File > Properties shows beside the header text: its items one by one, where the
    // step came from, the file's format and size.
    out += ",\"headerItems\":[";
    bool first = true;
    for (const auto& [key, value] : header_items::Split(doc.Trace().m_strHeaderText)) {
        out += (first ? "{\"key\":" : ",{\"key\":") + json::Quote(key) +
               ",\"value\":" + json::Quote(value) + "}";
        first = false;
    }
    out += ']';
    if (!doc.Trace().m_strStepSource.empty())
        out += ",\"stepSource\":" + json::Quote(doc.Trace().m_strStepSource);
    if (const CTraceFormat* format = TraceFormatOf(path))
        out += ",\"format\":" + json::Quote(std::string(format->name));
    if (const auto size = FileSizeOf(path)) out += ",\"fileSize\":" + std::to_string(*size);
    if (!notes.empty()) {
        out += ",\"notes\":[";
        for (std::size_t k = 0; k < notes.size(); ++k)
            out += (k > 0 ? "," : "") + json::Quote(notes[k]);
        out += ']';
    }
    out += ",\"curves\":[";
    for (int i = 0; i < doc.Trace().m_nCurveCount; ++i) {
        if (i > 0) out += ',';
        WriteCurve(out, doc, i, withSamples);
    }
    out += "]}\n";
    // The figures are only told of one file; streamed samples are out already.
    if (!withSamples && ChangedWhileRead(doc, path)) return 1;
    std::fwrite(out.data(), 1, out.size(), stdout);
    if (withSamples && ChangedWhileRead(doc, path)) return 1;
    return 0;  // main checks that stdout took it
}
