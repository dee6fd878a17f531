// Display copies of 100,000,000 samples at decimation 1 and 1024.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>

#include "framework/core/MessageSink.h"
#include "tests/support/MessageRecorder.h"
#include "trace/tesqDoc.h"

namespace {

CtesqDoc& HundredMillionSamples() {
    static CtesqDoc doc;
    if (!doc.m_pSamples[0]) {
        doc.ResetTrace();
        const std::size_t n = 100'000'000;
        doc.m_pSamples[0] = CFloatArray::Allocate(n, false);
        for (std::size_t j = 0; j < n; ++j)
            doc.m_pSamples[0][j] = static_cast<float>(std::sin(j * 0.001) * 1000.0);
        doc.m_nSampleCount = static_cast<int>(n);
        doc.m_nCurveCount = 1;
    }
    return doc;
}

void BM_DisplayCopies_100M(benchmark::State& state) {
    CtesqDoc& doc = HundredMillionSamples();
    doc.m_nDecimation = static_cast<int>(state.range(0));
    CMessageRecorder messages;
    // The first build at a new size also faults in fresh pages (about 1 s per GB on these
    // machines); time it once, then the steady state, which reuses the array.
    const auto t0 = std::chrono::steady_clock::now();
    doc.BuildDisplayCopies();
    state.counters["first_build_ms"] =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    for (auto _ : state) {
        doc.BuildDisplayCopies();
        benchmark::DoNotOptimize(doc.m_pDisplay[0].get());
    }
    // The copy must be right, not just fast: check the bucket the sine peaks in.
    const int d = doc.m_nDecimation;
    const std::size_t b = static_cast<std::size_t>(1571 * 1000 / d);
    float mx = doc.m_pSamples[0][b * d];
    for (int j = 0; j < d; ++j) mx = std::max(mx, doc.m_pSamples[0][b * d + j]);
    if (!messages.m_messages.empty() || doc.m_pDisplay[0][4 * b + 1] != mx ||
        doc.m_nDisplayLength != 4 * ((doc.m_nSampleCount + d - 1) / d))
        state.SkipWithError("display copy is wrong");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * doc.m_nSampleCount * 4);
}

}  // namespace

BENCHMARK(BM_DisplayCopies_100M)->Arg(1)->Arg(1024)->Unit(benchmark::kMillisecond)->UseRealTime();
