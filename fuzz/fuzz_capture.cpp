// Arbitrary bytes through the capture reader; every sample must lie in its encoding's range,
// and what the writer makes of the trace must read back as the same samples.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "framework/core/File.h"
#include "fuzz/FuzzCheck.h"
#include "tests/support/MemFile.h"
#include "trace/document/Document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SilenceMessages();
    CtesqDoc doc;
    CMemFile file(data, size);
    Check(doc.ReadOscTrace(file));
    const int encoding = doc.m_nOscFormat;
    Check(encoding >= 0 && encoding <= 2 && doc.Trace().m_nCurveCount == 1 &&
          doc.Trace().m_nSampleCount >= 0);
    const float lo[] = {0, -2048, -128}, hi[] = {255, 2047, 127};
    const CCurveSamples& samples = doc.Trace().m_pSamples[0];
    Check(doc.Trace().m_nSampleCount == 0 ||
          samples.size() == static_cast<std::size_t>(doc.Trace().m_nSampleCount));
    std::vector<float> s(static_cast<std::size_t>(doc.Trace().m_nSampleCount));
    if (!s.empty()) samples.Read(0, doc.Trace().m_nSampleCount, s.data());
    for (std::size_t j = 0; j < s.size(); ++j) Check(s[j] >= lo[encoding] && s[j] <= hi[encoding]);
    if (encoding == 0) Check(doc.Trace().m_nSampleCount == static_cast<int>(size));

    CMemFile written;
    doc.WriteOscTrace(written);
    CtesqDoc again;
    CMemFile reread(written.Bytes());
    again.ReadOscTrace(reread);
    // Encoding 0 written raw may begin with a magic number by chance; then it reads differently.
    if (again.m_nOscFormat == encoding) {
        Check(again.Trace().m_nSampleCount == doc.Trace().m_nSampleCount);
        for (int j = 0; j < doc.Trace().m_nSampleCount; ++j)
            Check(again.Trace().m_pSamples[0][static_cast<std::size_t>(j)] ==
                  s[static_cast<std::size_t>(j)]);
    }
    return 0;
}
