#include "tests/support/TraceFixtures.h"

#include <algorithm>

#include "tests/support/MemFile.h"
#include "trace/formats/text/FormatTextParser.h"

std::unique_ptr<CtesqDoc> ReadTrace(const std::string& bytes) {
    auto doc = std::make_unique<CtesqDoc>();
    CMemFile file(bytes.data(), bytes.size());
    doc->ReadTextTrace(file);
    return doc;
}

CTraceData ReadTextOnOneThread(CFile& file) {
    CTraceData counted, stored;
    CTextTraceParser counting(counted);
    counting.ReadTraceLines(file, false, 0);
    file.SeekToBegin();
    CTextTraceParser storing(stored);
    storing.ReadTraceLines(file, true, counted.m_nSampleCount);
    storing.CompleteRanges();
    return stored;
}

std::vector<float> Samples(const CtesqDoc& doc, int i) {
    if (!doc.Trace().m_pSamples[i]) return {};
    std::vector<float> samples(static_cast<std::size_t>(doc.Trace().m_nSampleCount));
    if (!samples.empty())
        doc.Trace().m_pSamples[i].Read(0, doc.Trace().m_nSampleCount, samples.data());
    return samples;
}

CTraceData TraceWithSamples(const std::vector<std::vector<float>>& curves) {
    CTraceData trace;
    trace.m_nCurveCount = static_cast<int>(curves.size());
    for (std::size_t i = 0; i < curves.size(); ++i) {
        trace.m_nSampleCount = static_cast<int>(curves[i].size());
        trace.m_pSamples[i] = CFloatArray::Allocate(curves[i].size(), true);
        std::copy(curves[i].begin(), curves[i].end(), trace.m_pSamples[i].Floats().get());
    }
    return trace;
}

std::unique_ptr<CtesqDoc> DocWithSamples(const std::vector<std::vector<float>>& curves,
                                         const std::function<void(CTraceData&)>& edit) {
    CTraceData trace = TraceWithSamples(curves);
    if (edit) edit(trace);
    return DocWithTrace(std::move(trace));
}

std::unique_ptr<CtesqDoc> DocWithTrace(CTraceData&& trace) {
    auto doc = std::make_unique<CtesqDoc>();
    doc->TakeTrace(std::move(trace));
    return doc;
}

CCurveSamples CurveOf(const std::vector<float>& samples) {
    CFloatArray floats = CFloatArray::Allocate(std::max<std::size_t>(samples.size(), 1), true);
    std::copy(samples.begin(), samples.end(), floats.get());
    return CCurveSamples(std::move(floats));
}
