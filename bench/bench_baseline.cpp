// The memory-bandwidth baseline the other figures are read against: a memcpy of the same
// 100,000,000 floats that the display copies read.

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

static void BM_MemcpyBaseline_100M(benchmark::State& state) {
    const std::size_t n = 100'000'000;
    std::vector<float> src(n, 1.0f), dst(n, 0.0f);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), n * sizeof(float));
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    if (dst[n - 1] != 1.0f) state.SkipWithError("memcpy lost data");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * n * sizeof(float)));
}
BENCHMARK(BM_MemcpyBaseline_100M)->Unit(benchmark::kMillisecond)->UseRealTime();
