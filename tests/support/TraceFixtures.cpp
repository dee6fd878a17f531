#include "tests/support/TraceFixtures.h"

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
    if (!doc.m_pSamples[i]) return {};
    std::vector<float> samples(static_cast<std::size_t>(doc.m_nSampleCount));
    if (!samples.empty()) doc.m_pSamples[i].Read(0, doc.m_nSampleCount, samples.data());
    return samples;
}

std::unique_ptr<CtesqDoc> DocWithSamples(const std::vector<std::vector<float>>& curves) {
    auto doc = std::make_unique<CtesqDoc>();
    doc->ResetTrace();
    doc->m_nCurveCount = static_cast<int>(curves.size());
    for (std::size_t i = 0; i < curves.size(); ++i) {
        doc->m_nSampleCount = static_cast<int>(curves[i].size());
        doc->m_pSamples[i] = CFloatArray::Allocate(curves[i].size(), true);
        for (std::size_t j = 0; j < curves[i].size(); ++j)
            doc->m_pSamples[i].Floats()[j] = curves[i][j];
    }
    return doc;
}

CCurveSamples CurveOf(const std::vector<float>& samples) {
    CFloatArray floats = CFloatArray::Allocate(std::max<std::size_t>(samples.size(), 1), true);
    std::copy(samples.begin(), samples.end(), floats.get());
    return CCurveSamples(std::move(floats));
}
