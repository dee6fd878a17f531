// tesqv-cli info: the trace as File Open reads it, as one JSON object.

#include <cstdio>
#include <string>

#include "CliCommands.h"
#include "Json.h"
#include "tesqDoc.h"

namespace {

void WriteCurve(std::string& out, const CtesqDoc& doc, int i, bool withSamples) {
    const CFloatArray& samples = doc.m_pSamples[i];
    const bool has = static_cast<bool>(samples) && doc.m_nSampleCount > 0;
    out += "{\"name\":" + json::Quote(doc.m_strCurveName[i]);
    out += ",\"unit\":" + json::Quote(doc.m_strCurveUnit[i]);
    out += ",\"bottom\":" + json::Number(doc.m_fCurveBottom[i]);
    out += ",\"top\":" + json::Number(doc.m_fCurveTop[i]);
    out += ",\"hasSamples\":";
    out += has ? "true" : "false";
    if (has) {
        // Smallest and largest by value; NaN samples take no part unless all are NaN.
        float lo = samples[0], hi = samples[0];
        for (int j = 0; j < doc.m_nSampleCount; ++j) {
            const float x = samples[static_cast<std::size_t>(j)];
            if (x < lo || lo != lo) lo = x;
            if (x > hi || hi != hi) hi = x;
        }
        out += ",\"min\":" + json::Number(lo) + ",\"max\":" + json::Number(hi);
    } else {
        out += ",\"min\":null,\"max\":null";
    }
    if (withSamples) {
        out += ",\"samples\":[";
        for (int j = 0; has && j < doc.m_nSampleCount; ++j) {
            if (j > 0) out += ',';
            out += json::Number(samples[static_cast<std::size_t>(j)]);
        }
        out += ']';
    }
    out += '}';
}

}  // namespace

int RunInfo(const std::vector<std::string>& args) {
    std::string path;
    bool withSamples = false;
    for (const std::string& a : args) {
        if (a == "--samples")
            withSamples = true;
        else if (path.empty() && (a.empty() || a[0] != '-' || a == "-"))
            path = a;
        else
            return UsageError("info: unexpected argument '" + a + "'");
    }
    if (path.empty()) return UsageError("info: missing FILE");

    CtesqDoc doc;
    doc.OnNewDocument();
    CStderrMessages messages;
    if (!doc.OnOpenDocument(path) || messages.m_nShown > 0) return 1;

    std::string out = "{\"curveCount\":" + std::to_string(doc.m_nCurveCount);
    out += ",\"sampleCount\":" + std::to_string(doc.m_nSampleCount);
    out += ",\"step\":" + std::to_string(doc.m_nStep);
    out += ",\"stepUnit\":" + json::Quote(doc.m_strStepUnit);
    out += ",\"oscFormat\":" + std::to_string(doc.m_nOscFormat);
    out += ",\"headerText\":" + json::Quote(doc.m_strHeaderText);
    out += ",\"curves\":[";
    for (int i = 0; i < doc.m_nCurveCount; ++i) {
        if (i > 0) out += ',';
        WriteCurve(out, doc, i, withSamples);
    }
    out += "]}\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
