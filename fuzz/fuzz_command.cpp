// Arbitrary command lines against a small trace: a rejected line changes nothing and says so,
// and no sample outside the selection of the one curve named ever changes.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "framework/core/MessageSink.h"
#include "fuzz/FuzzCheck.h"
#include "trace/document/Document.h"

namespace {

struct AnyView : CView {
    void OnUpdate(CView*, long hint, void* object) override {
        if (hint == HINT_GOTO) Check(object != nullptr);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    constexpr int kSamples = 50;
    CTraceData trace;
    trace.m_nCurveCount = 3;  // curve 2 is declared but has no samples
    trace.m_nSampleCount = kSamples;
    for (int i = 0; i < 2; ++i) {
        trace.m_pSamples[i] = CFloatArray::Allocate(kSamples, true);
        for (int j = 0; j < kSamples; ++j)
            trace.m_pSamples[i].Floats()[static_cast<std::size_t>(j)] =
                static_cast<float>(j * (i + 1));
    }
    CtesqDoc doc;
    doc.TakeTrace(std::move(trace));
    doc.Select(static_cast<std::int8_t>(data[0]), static_cast<std::int8_t>(data[1]));
    AnyView view;
    doc.AddView(&view);
    std::vector<float> before[2];
    for (int i = 0; i < 2; ++i)
        before[i].assign(doc.Trace().m_pSamples[i].Floats().get(),
                         doc.Trace().m_pSamples[i].Floats().get() + kSamples);

    int shown = 0;
    const MessageSink previous = SetMessageSink([&shown](std::string_view) { ++shown; });
    const bool ran =
        doc.ExecuteCommand(std::string(reinterpret_cast<const char*>(data) + 2, size - 2));
    SetMessageSink(previous);

    Check(ran == (shown == 0) && shown <= 1);
    int changedCurves = 0;
    for (int i = 0; i < 2; ++i) {
        bool changed = false;
        for (int j = 0; j < kSamples; ++j) {
            const float now = doc.Trace().m_pSamples[i][static_cast<std::size_t>(j)];
            if (std::memcmp(&now, &before[i][static_cast<std::size_t>(j)], sizeof now) != 0) {
                Check(ran && j >= doc.SelStart() && j < doc.SelEnd());
                changed = true;
            }
        }
        changedCurves += changed;
    }
    Check(changedCurves <= 1);
    if (!ran) Check(!doc.IsModified());
    return 0;
}
