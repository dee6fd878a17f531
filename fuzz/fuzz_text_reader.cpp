// Arbitrary bytes through the text reader, then display columns at a decimation taken from the
// input. Checks the document's invariants and the copies against the plain in-order rule.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/File.h"
#include "framework/core/NumberText.h"
#include "fuzz/FuzzCheck.h"
#include "tests/support/MemFile.h"
#include "trace/document/Document.h"
#include "trace/formats/text/FormatTextTokens.h"

namespace {

bool SameFloat(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The fast row scanner must agree with the plain one (through the working copy), with and without
// room to read past the line.
void CheckRows(const char* data, std::size_t size) {
    static std::string work;
    std::string_view rest(data, size);
    for (int line = 0; line < 64 && !rest.empty(); ++line) {
        const std::size_t nl = rest.find('\n');
        const std::string_view row = rest.substr(0, nl);
        rest = nl == std::string_view::npos ? std::string_view{} : rest.substr(nl + 1);
        float exact[8];
        const int n = trace_tokens::ReadRowThroughWorkingCopy(row, work, exact);
        // With nothing readable past the row, from a heap buffer of exactly its size (ASan
        // catches a read beyond it), and with 16 bytes of slack.
        const std::unique_ptr<char[]> tight(new char[row.size()]);
        std::memcpy(tight.get(), row.data(), row.size());
        const std::string padded = std::string(row) + "5.25e1          ";
        float fast[8];
        Check(trace_tokens::ReadRow({tight.get(), row.size()}, work, fast, 0) == n);
        for (int k = 0; k < n; ++k) Check(SameFloat(fast[k], exact[k]));
        Check(trace_tokens::ReadRow(std::string_view(padded).substr(0, row.size()), work, fast,
                                    16) == n);
        for (int k = 0; k < n; ++k) Check(SameFloat(fast[k], exact[k]));
        const numtext::ScanResult real =
            numtext::ScanReal(padded.data(), padded.data() + row.size());
        const numtext::FloatScanResult narrow = numtext::ScanFloat(
            padded.data(), padded.data() + row.size(), padded.data() + padded.size());
        Check(SameFloat(narrow.value, numtext::NarrowToFloat(real.value)) &&
              narrow.end == real.end);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SilenceMessages();
    if (size < 2) return 0;
    CheckRows(reinterpret_cast<const char*>(data) + 2, size - 2);
    const int decimation = 1 + (data[0] | (data[1] << 8)) % 4096;

    CtesqDoc doc;
    CMemFile file(data + 2, size - 2);
    doc.ReadTextTrace(file);
    Check(doc.Trace().m_nCurveCount >= 0 && doc.Trace().m_nCurveCount <= 8);
    Check(doc.Trace().m_nSampleCount >= 0);
    for (int i = 0; i < 8; ++i) {
        if (doc.Trace().m_pSamples[i])
            Check(i < doc.Trace().m_nCurveCount &&
                  doc.Trace().m_pSamples[i].size() >=
                      static_cast<std::size_t>(doc.Trace().m_nSampleCount));
    }

    doc.SetDecimation(decimation);
    const int n = doc.Trace().m_nSampleCount;
    if (n == 0) return 0;
    Check(doc.DisplayLength() == 4 * ((n + decimation - 1) / decimation));
    for (int i = 0; i < 8 && doc.Trace().m_pSamples[i]; ++i) {
        const float* s = doc.Trace().m_pSamples[i].Floats().get();
        std::vector<float> d(static_cast<std::size_t>(doc.DisplayLength()));
        doc.Display(i).Entries(0, doc.DisplayLength() / 4, d.data());
        for (int b = 0; b * decimation < n; ++b) {
            const int s0 = b * decimation;
            float mn = s[s0], mx = s[s0];
            for (int j = s0; j < n && j < s0 + decimation; ++j) {
                if (s[j] < mn) mn = s[j];
                if (s[j] > mx) mx = s[j];
            }
            const auto e = static_cast<std::size_t>(4 * b);
            Check(SameFloat(d[e], s[s0]) && SameFloat(d[e + 1], mx) && SameFloat(d[e + 2], mn) &&
                  SameFloat(d[e + 3], s[s0]));
        }
    }
    return 0;
}
