// Painting a 1920 x 1080 view of 8 curves of 10,000,000 samples, and one zoom step (rebuild
// and paint) on 100,000,000 samples, into an offscreen image.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cmath>

#include "trace/tesqDoc.h"
#include "view/tesqView.h"

namespace {

// The application and the scenes live until the process ends: tearing widgets down among
// Qt's own static objects at exit crashes.
void EnsureApplication() {
    static QApplication* app = nullptr;
    if (app == nullptr) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "tesqv-bench";
        static char* argv[] = {name, nullptr};
        app = new QApplication(argc, argv);
    }
}

struct Scene {
    Scene(int curves, std::size_t samples, int width, int height)
        : image(width, height, QImage::Format_RGB32) {
        doc.OnNewDocument();
        for (int i = 0; i < curves; ++i) {
            doc.m_pSamples[i] = CFloatArray::Allocate(samples, false);
            for (std::size_t j = 0; j < samples; ++j)
                doc.m_pSamples[i][j] =
                    static_cast<float>(std::sin(static_cast<double>(j) * 0.001 + i) * 100.0);
            doc.m_fCurveBottom[i] = -100;
            doc.m_fCurveTop[i] = 100;
            doc.m_strCurveName[i] = "curve" + std::to_string(i);
        }
        doc.m_nCurveCount = curves;
        doc.m_nSampleCount = static_cast<int>(samples);
        view.AttachOffscreen(&doc, width, height);
    }
    void Paint() {
        image.fill(Qt::white);
        QPainter painter(&image);
        view.PaintTo(painter);
    }
    bool appReady = (EnsureApplication(), true);  // before any widget
    CtesqDoc doc;
    CtesqView view;
    QImage image;
};

Scene& EightCurves() {
    static Scene* scene = new Scene(8, 10'000'000, 1920, 1080);
    return *scene;
}

void BM_Paint_1920x1080_8x10M(benchmark::State& state) {
    Scene& s = EightCurves();
    s.doc.m_nDecimation = static_cast<int>(state.range(0));
    s.doc.BuildDisplayCopies();
    s.view.OnInitialUpdate();
    s.view.SetScrollPos(5000);
    for (auto _ : state) s.Paint();
    // The last curve's pen must have reached the image.
    bool inked = false;
    for (int y = 100; y < 1030 && !inked; ++y)
        inked = s.image.pixelColor(960, y) == QColor(255, 127, 80);
    if (!inked) state.SkipWithError("no curve painted");
}

void BM_ZoomStep_100M_1024to2048(benchmark::State& state) {
    static Scene& s = *new Scene(1, 100'000'000, 1920, 1080);
    for (auto _ : state) {
        state.PauseTiming();
        s.doc.m_nDecimation = 1024;
        s.doc.BuildDisplayCopies();
        s.view.OnInitialUpdate();
        s.view.SetScrollPos(20000);
        state.ResumeTiming();
        s.view.OnZoomOut();  // rebuilds the display copies and repaints the view
        s.Paint();
    }
    if (s.doc.m_nDecimation != 2048) state.SkipWithError("did not zoom");
}

}  // namespace

BENCHMARK(BM_Paint_1920x1080_8x10M)
    ->Arg(1)
    ->Arg(4096)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ZoomStep_100M_1024to2048)->Unit(benchmark::kMillisecond)->UseRealTime();
