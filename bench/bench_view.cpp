// Painting a 1920 x 1080 view of 8 curves of 10,000,000 samples, and one zoom step (new
// decimation and paint) on 100,000,000 samples, into an offscreen image.

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "bench/OffscreenView.h"

namespace {

// The scenes live until the process ends, as the application does.
struct Scene {
    Scene(int curves, std::size_t samples, int width, int height) {
        doc.OnNewDocument();
        CTraceData trace;
        for (int i = 0; i < curves; ++i) {
            trace.m_pSamples[i] = CFloatArray::Allocate(samples, false);
            for (std::size_t j = 0; j < samples; ++j)
                trace.m_pSamples[i].Floats()[j] =
                    static_cast<float>(std::sin(static_cast<double>(j) * 0.001 + i) * 100.0);
            trace.m_fCurveBottom[i] = -100;
            trace.m_fCurveTop[i] = 100;
            trace.m_strCurveName[i] = "curve" + std::to_string(i);
        }
        trace.m_nCurveCount = curves;
        trace.m_nSampleCount = static_cast<int>(samples);
        doc.TakeTrace(std::move(trace));
        offscreen = std::make_unique<COffscreenView>(doc, width, height);
    }
    void Paint() { offscreen->Paint(); }
    CtesqDoc doc;
    std::unique_ptr<COffscreenView> offscreen;
};

Scene& EightCurves() {
    static Scene* scene = new Scene(8, 10'000'000, 1920, 1080);
    return *scene;
}

void BM_Paint_1920x1080_8x10M(benchmark::State& state) {
    Scene& s = EightCurves();
    s.doc.SetDecimation(static_cast<int>(state.range(0)));
    s.offscreen->view.OnInitialUpdate();
    s.offscreen->view.SetScrollPos(5000);
    for (auto _ : state) s.Paint();
    // The last curve's pen must have reached the image.
    bool inked = false;
    for (int y = 100; y < 1030 && !inked; ++y)
        inked = s.offscreen->image.pixelColor(960, y) == QColor(255, 127, 80);
    if (!inked) state.SkipWithError("no curve painted");
}

void BM_ZoomStep_100M_1024to2048(benchmark::State& state) {
    static Scene& s = *new Scene(1, 100'000'000, 1920, 1080);
    for (auto _ : state) {
        state.PauseTiming();
        s.doc.SetDecimation(1024);
        s.offscreen->view.OnInitialUpdate();
        s.offscreen->view.SetScrollPos(20000);
        state.ResumeTiming();
        s.offscreen->view.OnZoomOut();  // the new decimation, and the view repainted
        s.Paint();
    }
    if (s.doc.Decimation() != 2048) state.SkipWithError("did not zoom");
}

}  // namespace

BENCHMARK(BM_Paint_1920x1080_8x10M)
    ->Arg(1)
    ->Arg(4096)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ZoomStep_100M_1024to2048)->Unit(benchmark::kMillisecond)->UseRealTime();
