// Display copies of 100,000,000 samples: the pyramid built when a trace is opened or
// edited, and the entries of a 1920-column window at decimations up to 65536.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>

#include "trace/document/Document.h"

namespace {

CtesqDoc& HundredMillionSamples() {
    static CtesqDoc doc;
    if (!doc.Trace().m_pSamples[0]) {
        CTraceData trace;
        const std::size_t n = 100'000'000;
        trace.m_pSamples[0] = CFloatArray::Allocate(n, false);
        for (std::size_t j = 0; j < n; ++j)
            trace.m_pSamples[0].Floats()[j] = static_cast<float>(std::sin(j * 0.001) * 1000.0);
        trace.m_nSampleCount = static_cast<int>(n);
        trace.m_nCurveCount = 1;
        doc.TakeTrace(std::move(trace));
    }
    return doc;
}

// What an open or a whole edit costs: one pass over the samples, against the memcpy
// baseline's bytes per second.
void BM_DisplayPyramid_100M(benchmark::State& state) {
    CtesqDoc& doc = HundredMillionSamples();
    CDisplayColumns columns;
    bool built = true;
    for (auto _ : state)
        built = built && columns.Build(doc.Trace().m_pSamples[0], doc.Trace().m_nSampleCount);
    if (!built || !columns) state.SkipWithError("not built");
    state.counters["bytes_held_per_sample"] =
        static_cast<double>(columns.BytesHeld()) / doc.Trace().m_nSampleCount;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            doc.Trace().m_nSampleCount * 4);
}

// What a paint asks for: the entries of 1920 columns somewhere in the trace.
void BM_DisplayEntries_1920Columns_100M(benchmark::State& state) {
    CtesqDoc& doc = HundredMillionSamples();
    doc.SetDecimation(static_cast<int>(state.range(0)));
    const std::int64_t d = doc.Decimation();
    const std::int64_t columns = std::min<std::int64_t>(1920, doc.DisplayColumns());
    std::vector<float> entries(static_cast<std::size_t>(4 * columns));
    std::int64_t from = 0;
    for (auto _ : state) {
        from = (from + 7919) % (doc.DisplayColumns() - columns + 1);
        doc.Display(0).Entries(from, columns, entries.data());
        benchmark::DoNotOptimize(entries.data());
    }
    // The entries must be right, not just fast: the last column's maximum, the plain way.
    const std::int64_t s0 = (from + columns - 1) * d;
    const float* s = doc.Trace().m_pSamples[0].Floats().get();
    float mx = s[s0];
    for (std::int64_t j = s0; j < std::min<std::int64_t>(s0 + d, doc.Trace().m_nSampleCount); ++j)
        mx = std::max(mx, s[j]);
    if (entries[static_cast<std::size_t>(4 * columns - 3)] != mx)
        state.SkipWithError("display entries are wrong");
}

}  // namespace

BENCHMARK(BM_DisplayPyramid_100M)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DisplayEntries_1920Columns_100M)
    ->Arg(1)
    ->Arg(16)
    ->Arg(1024)
    ->Arg(65536)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
