// tesqv-cli stats: what a range of the trace holds, per curve, as one JSON object.

#include <fmt/format.h>

#include <cstdio>
#include <limits>
#include <string>

#include "cli/CliCommands.h"
#include "cli/Json.h"
#include "trace/document/Document.h"
#include "trace/model/TimeBase.h"
#include "trace/stats/PulseTiming.h"
#include "trace/stats/Statistics.h"

namespace {

// A curve's pulse and timing measurements as JSON: times in the trace's unit, frequency in
// hertz, levels in the curve's unit; what the signal does not allow is null, with the reason
// in "why".
std::string TimingJson(const CTraceData& trace, int curve, int start, int end,
                       const CurveStats& stats) {
    const KnownExtremes known{stats.min, stats.max};
    PulseTiming t = MeasurePulses(trace.m_pSamples[curve], start, end - start, {}, &known);
    const double step = trace.m_dblStep;
    const double seconds = timebase::SecondsPerWord(trace.m_strStepUnit);
    const double hertz = 1 / (step * seconds);
    if (seconds == 0 && t.frequency.Known())
        t.frequency = {
            std::numeric_limits<double>::quiet_NaN(),
            "the time unit \"" + trace.m_strStepUnit + "\" has no known length in seconds"};
    std::string out = "{", why;
    const auto add = [&](const char* name, const PulseValue& v, double scale) {
        out += fmt::format("{}\"{}\":{}", out.size() > 1 ? "," : "", name,
                           v.Known() ? json::Real(v.value * scale) : std::string("null"));
        if (!v.Known())
            why += fmt::format("{}\"{}\":{}", why.empty() ? "" : ",", name, json::Quote(v.why));
    };
    add("low", t.low, 1);
    add("high", t.high, 1);
    add("amplitude", t.amplitude, 1);
    out +=
        fmt::format(",\"rising\":{},\"falling\":{},\"cycles\":{}", t.rising, t.falling, t.cycles);
    add("period", t.period, step);
    add("frequency", t.frequency, hertz);
    add("positiveWidth", t.positiveWidth, step);
    add("negativeWidth", t.negativeWidth, step);
    add("duty", t.duty, 1);
    add("riseTime", t.riseTime, step);
    add("fallTime", t.fallTime, step);
    add("overshoot", t.overshoot, 1);
    add("undershoot", t.undershoot, 1);
    if (!t.levelsNote.empty()) out += ",\"levels\":" + json::Quote(t.levelsNote);
    return out + ",\"why\":{" + why + "}}";
}

}  // namespace

int RunStats(const StatsOptions& options) {
    CtesqDoc doc;
    CStderrMessages messages;
    int start = 0, end = 0;
    if (!OpenRange(doc, options, messages, start, end)) return 1;
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
    // 1/duration in hertz: none for a range of no time, or a unit of no known length.
    const double seconds =
        trace.Span(stats.end - stats.start) * timebase::SecondsPerWord(trace.m_strStepUnit);
    out += ",\"inverseDuration\":" + (seconds > 0 ? json::Real(1 / seconds) : std::string("null"));
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
        // As the Measurements dock gives them: differences of two floats, as floats.
        out += ",\"peakToPeak\":" + sample(c.max - c.min) +
               ",\"lastMinusFirst\":" + sample(c.last - c.first);
        out += fmt::format(",\"nan\":{}", c.nan);
        out += ",\"timing\":" + TimingJson(trace, static_cast<int>(i), stats.start, stats.end, c);
        out += '}';
    }
    out += "]}\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;  // main checks that stdout took it
}
