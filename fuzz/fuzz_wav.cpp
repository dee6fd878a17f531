// Arbitrary bytes through the WAV reader, which takes every format libsndfile knows: what it
// reads must hold together, and its memory must follow the bytes (make fuzz runs it under an
// RSS limit).

#include <cmath>
#include <cstdint>

#include "fuzz/FuzzCheck.h"
#include "tests/support/MemFile.h"
#include "trace/document/Document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SilenceMessages();
    CtesqDoc doc;
    CMemFile file(data, size);
    if (!doc.ReadAs(TraceFormatId::wav, file)) return 0;
    const CTraceData& t = doc.Trace();
    Check(t.m_nCurveCount >= 0 && t.m_nCurveCount <= 8 && t.m_nSampleCount >= 0);
    Check(t.m_nSampleCount == 0 || t.m_dblStep > 0);
    for (int i = 0; i < t.m_nCurveCount; ++i) {
        Check(static_cast<bool>(t.m_pSamples[i]));
        Check(t.m_pSamples[i].size() >= static_cast<std::size_t>(t.m_nSampleCount));
        for (int j = 0; j < t.m_nSampleCount; ++j)
            Check(!std::isinf(t.m_pSamples[i][static_cast<std::size_t>(j)]));
    }
    return 0;
}
