// tesqv-cli spectrum: the amplitude spectrum of a trace or a range of it, as CSV (frequency,
// then one column per curve) or as one JSON object.

#include <fmt/format.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/Json.h"
#include "trace/document/Document.h"
#include "trace/formats/csv/CsvCells.h"
#include "trace/stats/Spectrum.h"

namespace {

// Levels as the floats they are computed in; in CSV the non-finite ones as bare words.
std::string Level(float amplitude, bool db, bool csv = false) {
    const float level = db ? static_cast<float>(Decibels(amplitude)) : amplitude;
    if (csv && !std::isfinite(level)) return std::isnan(level) ? "nan" : level > 0 ? "inf" : "-inf";
    return json::Number(level);
}

std::string Csv(const CTraceData& trace, const Spectrum& s, const FrequencyAxis& axis, bool db) {
    std::string out = csv_layout::QuotedCell("frequency [" + axis.unit + "]");
    for (int i = 0; i < trace.m_nCurveCount; ++i) {
        const std::string unit = (db ? "dB" : "") + trace.m_strCurveUnit[i];
        out += ',' + csv_layout::QuotedCell(trace.m_strCurveName[i] +
                                            (unit.empty() ? "" : " [" + unit + "]"));
    }
    out += '\n';
    for (int k = 0; k <= s.size / 2; ++k) {
        out += json::Real(axis.At(k));
        for (const CurveSpectrum& c : s.curves)
            out += ',' + (c.amplitude.empty()
                              ? std::string()
                              : Level(c.amplitude[static_cast<std::size_t>(k)], db, true));
        out += '\n';
    }
    return out;
}

std::string Json(const CTraceData& trace, const Spectrum& s, const FrequencyAxis& axis,
                 const SpectrumOptions& options, bool db) {
    std::string out = fmt::format(
        "{{\"size\":{},\"segments\":{},\"used\":{},\"window\":{},\"binWidth\":{},\"unit\":{},"
        "\"scale\":{},\"curves\":[",
        s.size, s.segments, s.used,
        json::Quote(SpectrumWindowNames()[static_cast<std::size_t>(options.window)]),
        json::Real(axis.At(1)), json::Quote(axis.unit), json::Quote(db ? "dB" : "linear"));
    for (std::size_t i = 0; i < s.curves.size(); ++i) {
        const CurveSpectrum& c = s.curves[i];
        out += fmt::format("{}{{\"name\":{},\"unit\":{},\"notFinite\":{}", i ? "," : "",
                           json::Quote(trace.m_strCurveName[i]),
                           json::Quote(trace.m_strCurveUnit[i]), c.notFinite);
        if (c.peak >= 0)
            out += fmt::format(",\"peak\":{{\"frequency\":{},\"level\":{}}}",
                               json::Real(axis.At(c.peak)),
                               Level(c.amplitude[static_cast<std::size_t>(c.peak)], db));
        out += ",\"levels\":[";
        for (std::size_t k = 0; k < c.amplitude.size(); ++k)
            out += (k ? "," : "") + Level(c.amplitude[k], db);
        out += "]}";
    }
    return out + "]}\n";
}

}  // namespace

int RunSpectrum(const SpectrumCliOptions& options) {
    CtesqDoc doc;
    CStderrMessages messages;
    int start = 0, end = 0;
    if (!OpenRange(doc, options, messages, start, end)) return 1;
    const CTraceData& trace = doc.Trace();
    if (end - start < 2) {
        std::fprintf(stderr, "tesqv-cli: a spectrum needs 2 samples at least; the range has %d\n",
                     end - start);
        return 1;
    }
    std::vector<const CCurveSamples*> curves;
    for (int i = 0; i < trace.m_nCurveCount; ++i) curves.push_back(&trace.m_pSamples[i]);
    const Spectrum s = ComputeSpectrum(curves, start, end, options.spectrum);
    if (ChangedWhileRead(doc, options.path)) return 1;
    const FrequencyAxis axis = FrequencyAxisOf(trace.m_dblStep, trace.m_strStepUnit, s.size);
    const std::string out = options.json ? Json(trace, s, axis, options.spectrum, options.db)
                                         : Csv(trace, s, axis, options.db);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;  // main checks that stdout took it
}
