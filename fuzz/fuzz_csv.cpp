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
    Check(doc.Trace().m_nCurveCount >= 0 && doc.Trace().m_nCurveCount <= 8 &&
          doc.Trace().m_nSampleCount >= 0);
    for (int i = 0; i < doc.Trace().m_nCurveCount; ++i)
        Check(!doc.Trace().m_pSamples[i] ||
              doc.Trace().m_pSamples[i].size() >=
                  static_cast<std::size_t>(doc.Trace().m_nSampleCount));

    CMemFile written;
    doc.WriteAs(TraceFormatId::csv, written);
    CtesqDoc again;
    CMemFile reread(written.Bytes());
    Check(again.ReadAs(TraceFormatId::csv, reread));
    Check(again.Trace().m_nSampleCount == doc.Trace().m_nSampleCount);
    if (doc.Trace().m_nSampleCount == 0) return 0;
    // Curves without samples are not written: the k-th curve read back is the k-th with them.
    int k = 0;
    for (int i = 0; i < doc.Trace().m_nCurveCount; ++i) {
        if (!doc.Trace().m_pSamples[i]) continue;
        Check(k < again.Trace().m_nCurveCount && again.Trace().m_pSamples[k]);
        for (int j = 0; j < doc.Trace().m_nSampleCount; ++j) {
            const float a = doc.Trace().m_pSamples[i][static_cast<std::size_t>(j)];
            const float b = again.Trace().m_pSamples[k][static_cast<std::size_t>(j)];
            Check(std::isnan(a) ? std::isnan(b) : std::memcmp(&a, &b, sizeof a) == 0);
        }
        ++k;
    }
    return 0;
}
