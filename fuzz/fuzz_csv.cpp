// Arbitrary bytes through the CSV reader; what it reads is written as CSV and read again, and
// must come back the same (NaN as NaN).

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz/FuzzCheck.h"
#include "tests/support/MemFile.h"
#include "trace/document/Document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SilenceMessages();
    CtesqDoc doc;
    CMemFile file(data, size);
    if (!doc.ReadAs(TraceFormatId::csv, file)) return 0;
    Check(doc.m_nCurveCount >= 0 && doc.m_nCurveCount <= 8 && doc.m_nSampleCount >= 0);
    for (int i = 0; i < doc.m_nCurveCount; ++i)
        Check(!doc.m_pSamples[i] ||
              doc.m_pSamples[i].size() >= static_cast<std::size_t>(doc.m_nSampleCount));

    CMemFile written;
    doc.WriteAs(TraceFormatId::csv, written);
    CtesqDoc again;
    CMemFile reread(written.Bytes());
    Check(again.ReadAs(TraceFormatId::csv, reread));
    Check(again.m_nSampleCount == doc.m_nSampleCount);
    for (int i = 0; i < doc.m_nCurveCount && doc.m_nSampleCount > 0; ++i) {
        if (!doc.m_pSamples[i]) continue;
        for (int j = 0; j < doc.m_nSampleCount; ++j) {
            const float a = doc.m_pSamples[i][static_cast<std::size_t>(j)];
            const float b = again.m_pSamples[i][static_cast<std::size_t>(j)];
            Check(std::isnan(a) ? std::isnan(b) : std::memcmp(&a, &b, sizeof a) == 0);
        }
    }
    return 0;
}
