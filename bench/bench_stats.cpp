// Measuring a selection: 10,000,000 samples x 8 curves, against a plain read of the same
// floats (summed into doubles) in the same run.

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "tests/support/TraceFixtures.h"
#include "trace/stats/PulseTiming.h"
#include "trace/stats/Spectrum.h"
#include "trace/stats/Statistics.h"

namespace {

constexpr int kSamples = 10'000'000;

const CtesqDoc& StatsDoc() {
    static const auto doc = [] {
        std::mt19937 rng(4);
        std::normal_distribution<float> noise(100.0f, 3.0f);
        std::vector<std::vector<float>> curves(8, std::vector<float>(kSamples));
        for (auto& c : curves)
            for (float& x : c) x = noise(rng);
        curves[3][12345] = std::nanf("");
        return DocWithSamples(curves);
    }();
    return *doc;
}

}  // namespace

static void BM_SelectionStats_10Mx8(benchmark::State& state) {
    const CtesqDoc& doc = StatsDoc();
    for (auto _ : state) {
        const SelectionStats stats = ComputeSelectionStats(doc.Trace(), 0, kSamples);
        if (stats.curves[3].nan != 1 || std::fabs(stats.curves[0].mean - 100.0) > 0.1)
            state.SkipWithError("wrong statistics");
        benchmark::DoNotOptimize(stats.curves.data());
    }
    state.SetBytesProcessed(state.iterations() * 8LL * kSamples * 4);
}
BENCHMARK(BM_SelectionStats_10Mx8)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_SumBaseline_10Mx8(benchmark::State& state) {
    const CtesqDoc& doc = StatsDoc();
    for (auto _ : state) {
        double total = 0;
        for (int i = 0; i < 8; ++i) {
            const float* s = doc.Trace().m_pSamples[i].Floats().get();
            double sum = 0;
            for (int j = 0; j < kSamples; ++j) sum += s[j];
            total += sum;
        }
        if (total == 0) state.SkipWithError("no sum");  // NaN is fine: one sample is NaN
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(state.iterations() * 8LL * kSamples * 4);
}
BENCHMARK(BM_SumBaseline_10Mx8)->Unit(benchmark::kMillisecond)->UseRealTime();

// Square waves with noise, 8 curves of 10,000,000 samples: the statistics' blocks against the
// pulse and timing measurements (three passes: extremes, histogram, edges) of the same samples.
const CtesqDoc& PulseDoc() {
    static const auto doc = [] {
        std::mt19937 rng(5);
        std::normal_distribution<float> noise(0.0f, 0.05f);
        std::vector<std::vector<float>> curves(8, std::vector<float>(kSamples));
        for (std::size_t i = 0; i < curves.size(); ++i)
            for (int j = 0; j < kSamples; ++j)
                curves[i][static_cast<std::size_t>(j)] =
                    (j % static_cast<int>(1000 + 100 * i) < 300 ? 5.0f : 0.0f) + noise(rng);
        return DocWithSamples(curves);
    }();
    return *doc;
}

static void BM_SelectionStats_Pulses_10Mx8(benchmark::State& state) {
    const CtesqDoc& doc = PulseDoc();
    for (auto _ : state) {
        const SelectionStats stats = ComputeSelectionStats(doc.Trace(), 0, kSamples);
        benchmark::DoNotOptimize(stats.curves.data());
    }
    state.SetBytesProcessed(state.iterations() * 8LL * kSamples * 4);
}
BENCHMARK(BM_SelectionStats_Pulses_10Mx8)->Unit(benchmark::kMillisecond)->UseRealTime();

// As the Measurements dock and `stats` measure it: after the statistics, whose extremes save
// the timing's first pass.
static void BM_PulseTiming_Pulses_10Mx8(benchmark::State& state) {
    const CtesqDoc& doc = PulseDoc();
    const SelectionStats stats = ComputeSelectionStats(doc.Trace(), 0, kSamples);
    for (auto _ : state)
        for (int i = 0; i < 8; ++i) {
            const CurveStats& c = stats.curves[static_cast<std::size_t>(i)];
            const KnownExtremes known{c.min, c.max};
            const PulseTiming t = MeasurePulses(doc.Trace().m_pSamples[i], 0, kSamples, {}, &known);
            if (t.rising < 1000) state.SkipWithError("edges missed");
            benchmark::DoNotOptimize(t.rising);
        }
    state.SetBytesProcessed(state.iterations() * 8LL * kSamples * 4);
}
BENCHMARK(BM_PulseTiming_Pulses_10Mx8)->Unit(benchmark::kMillisecond)->UseRealTime();

// The spectrum of 1,048,576 samples of one of those curves, as the Spectrum dock makes it by
// default (Hann, Welch over 65,536-sample segments: 31 transforms), and of the same samples
// in one transform of 2^20.
static void BM_Spectrum_1M(benchmark::State& state) {
    const CtesqDoc& doc = PulseDoc();
    const CCurveSamples* curve = &doc.Trace().m_pSamples[0];
    const SpectrumOptions options{SpectrumWindow::hann, static_cast<int>(state.range(0))};
    for (auto _ : state) {
        const Spectrum s = ComputeSpectrum({curve}, 0, 1 << 20, options);
        if (s.curves[0].peak < 0) state.SkipWithError("no peak");
        benchmark::DoNotOptimize(s.curves[0].amplitude.data());
    }
    state.SetItemsProcessed(state.iterations() * (1 << 20));
}
BENCHMARK(BM_Spectrum_1M)->Arg(65536)->Arg(1 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();
