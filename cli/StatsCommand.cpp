// tesqv-cli stats: what a range of the trace holds, per curve, as one JSON object.

#include <fmt/format.h>

#include <cstdio>
#include <string>

#include "cli/CliCommands.h"
#include "cli/Json.h"
#include "trace/document/Document.h"
#include "trace/model/TimeBase.h"
#include "trace/stats/Statistics.h"

int RunStats(const StatsOptions& options) {
    if (!KnownTraceFile(options.path, false)) return 1;
    CtesqDoc doc;
    doc.OnNewDocument();
    CStderrMessages messages;
    doc.m_curvesToRead = options.curves;
    if (!OpenTrace(doc, options.path, messages)) return 1;
    int start = 0, end = doc.Trace().m_nSampleCount;
    if (options.select) {
        if (!SelectionFits(options.selStart, options.selEnd, doc.Trace().m_nSampleCount)) return 1;
        start = options.selStart;
        end = options.selEnd;
    }
    const SelectionStats stats = ComputeSelectionStats(doc.Trace(), start, end);
    if (ChangedWhileRead(doc, options.path)) return 1;
    const CTraceData& trace = doc.Trace();
    // The times of the range's ends count from the trace's time origin (a trigger at 0).
    std::string out = fmt::format(
        "{{\"start\":{},\"end\":{},\"duration\":{},\"unit\":{},\"count\":{},\"startTime\":{},"
        "\"endTime\":{}",
        stats.start, stats.end, json::Exact(trace.Span(stats.end - stats.start)),
        json::Quote(trace.m_strStepUnit), stats.end - stats.start,
        json::Exact(trace.SampleTime(stats.start)), json::Exact(trace.SampleTime(stats.end)));
    out += ",\"curves\":[";
    for (std::size_t i = 0; i < stats.curves.size(); ++i) {
        const CurveStats& c = stats.curves[i];
        if (i > 0) out += ',';
        out += "{\"name\":" + json::Quote(doc.Trace().m_strCurveName[i]);
        // Samples as the floats they are; the computed ones in double.
        const auto sample = [](double v) { return json::Number(static_cast<float>(v)); };
        out += ",\"min\":" + sample(c.min) + ",\"max\":" + sample(c.max);
        out += ",\"mean\":" + json::Real(c.mean) + ",\"rms\":" + json::Real(c.rms);
        out += ",\"std\":" + json::Real(c.std);
        out += ",\"first\":" + sample(c.first) + ",\"last\":" + sample(c.last);
        out += fmt::format(",\"nan\":{}}}", c.nan);
    }
    out += "]}\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;  // main checks that stdout took it
}
