// The window's responsiveness: a scripted run in the real window on whatever display the
// environment gives (Xvfb, or QT_QPA_PLATFORM=offscreen), timing each step to its end and
// the longest time the event loop was away meanwhile (a 2 ms timer's largest gap).
//   tesqv-bench-live osc PATH       a capture: open, fit, a drag with the Measurements dock
//                                   open, kxb over the whole trace, Save As, reload, zooms,
//                                   the Spectrum dock on 2^20 samples and on the whole trace
//   tesqv-bench-live curves C N     C generated curves of N samples: the same but open,
//                                   Save As and reload
// Exit status 1 when a step failed (its figures are then not worth reading).

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "app/LongWorkRunner.h"
#include "app/MainFrame.h"
#include "app/MeasurementsDock.h"
#include "app/SpectrumDock.h"
#include "app/SpectrumPlot.h"
#include "app/tesqApp.h"
#include "framework/core/Prompts.h"
#include "ids/CommandIds.h"
#include "tests/support/MessageRecorder.h"
#include "view/tesqView.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// The event loop's longest absence since Reset: the largest gap between two ticks of a timer
// that asks for one every 2 ms (nested loops, as a long save's, tick it too).
class CWatchdog {
public:
    CWatchdog() {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(2);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const Clock::time_point now = Clock::now();
            m_worst = std::max(m_worst, Ms(now - m_last));
            m_last = now;
        });
        m_timer.start();
    }
    void Reset() {
        m_last = Clock::now();
        m_worst = 0;
    }
    double Worst() const { return std::max(m_worst, Ms(Clock::now() - m_last)); }

private:
    QTimer m_timer;
    Clock::time_point m_last = Clock::now();
    double m_worst = 0;
};

// Events for ms milliseconds in a loop that waits for them as the window's own does (the
// idle work the window does before it waits runs too).
void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct CScript {
    CWatchdog watchdog;
    double worst = 0;
    int failures = 0;

    // start() from the event loop's side, then events until done() holds and a little more
    // (the repaint the step asked for); a bound of ten minutes for a very slow machine.
    void Step(
        const char* name, const std::function<bool()>& start,
        const std::function<bool()>& done = [] { return true; }) {
        Wait(50);
        watchdog.Reset();
        const Clock::time_point t0 = Clock::now();
        bool ok = start();
        const Clock::time_point bound = t0 + std::chrono::minutes(10);
        while (ok && !done()) {
            Wait(2);
            ok = Clock::now() < bound;
        }
        const double wall = Ms(Clock::now() - t0);
        Wait(30);
        const double stall = watchdog.Worst();
        worst = std::max(worst, stall);
        failures += ok ? 0 : 1;
        std::printf("%-40s %12.1f %14.1f%s\n", name, wall, stall, ok ? "" : "  FAILED");
        std::fflush(stdout);
    }
};

CTraceData Generated(int curves, int n) {
    CTraceData trace;
    for (int i = 0; i < curves; ++i) {
        trace.m_pSamples[i] = CFloatArray::Allocate(static_cast<std::size_t>(n), false);
        float* s = trace.m_pSamples[i].Floats().get();
        for (int j = 0; j < n; ++j)
            s[j] = std::round(127.5f + 120.0f * std::sin(static_cast<float>(j % 100'000) *
                                                         6.2832e-5f * static_cast<float>(i + 1)));
        trace.m_fCurveBottom[i] = 0;
        trace.m_fCurveTop[i] = 255;
    }
    trace.m_nCurveCount = curves;
    trace.m_nSampleCount = n;
    return trace;
}

// Save As of the unchanged capture beside a copy of its file by cp then sync (the save
// flushes its file to the disk too); then a Save As cancelled 300 ms in: how long the cancel
// took, and whether a file was left.
void SaveAsBesideCopy(CScript& script, CtesqApp& app, const std::string& path,
                      const std::string& saved) {
    CtesqDoc& doc = app.GetDocument();
    const Clock::time_point t0 = Clock::now();
    const std::string copy = path + ".copy.osc";
    const bool copied = std::system(("cp '" + path + "' '" + copy + "' && sync").c_str()) == 0;
    const double cp = Ms(Clock::now() - t0);
    std::filesystem::remove(copy);
    doc.SetModifiedFlag(true);  // Save As of what is shown, as the user may ask for at any time
    script.Step("Save As, unchanged",
                [&] { return copied && doc.DoSaveAs() && !doc.IsModified(); });
    std::printf("    cp and sync of the same file: %.0f ms\n", cp);
    const std::string cancelled = path + ".cancelled.osc";
    SetSaveAsPrompt([cancelled](const std::string&, const std::string&, const std::string&) {
        return std::optional<std::string>(cancelled);
    });
    std::filesystem::remove(cancelled);
    Clock::time_point told{};
    script.Step("Save As, cancelled 300 ms in", [&] {
        QTimer::singleShot(300, [&] {
            told = Clock::now();
            app.Worker().Cancel();
        });
        return !doc.DoSaveAs();
    });
    std::printf("    the cancel took %.0f ms; %s\n", Ms(Clock::now() - told) - 30,
                std::filesystem::exists(cancelled) ? "A FILE WAS LEFT" : "no file was left");
    std::filesystem::remove(cancelled);
    SetSaveAsPrompt([saved](const std::string&, const std::string&, const std::string&) {
        return std::optional<std::string>(saved);
    });
}

int Run(CtesqApp& app, const std::string& path, bool capture) {
    CScript script;
    CMainFrame* frame = app.GetMainWnd();
    CtesqDoc& doc = app.GetDocument();
    CtesqView* view = frame->GetActiveView();
    const auto execute = [frame](unsigned id) {
        return [frame, id] {
            frame->Router().Execute(id);
            return true;
        };
    };
    std::printf("%-40s %12s %14s\n", "step", "wall ms", "longest stall");
    if (capture) {
        bool opened = false;
        script.Step(
            "open (in the background)",
            [&] {
                app.OpenInBackground(path, [&opened] { opened = true; });
                return true;
            },
            [&] { return opened && !app.Busy(); });
    }
    const int n = doc.Trace().m_nSampleCount;
    script.Step("zoom to fit", execute(ID_ZOOM_FIT));
    if (!frame->Measurements()->isVisible())
        script.Step("open the Measurements dock", execute(ID_VIEW_MEASUREMENTS));
    // A drag across most of the plot, as a hand makes it: press, moves, release.
    QWindow* window = frame->windowHandle();
    const QPoint from = view->mapTo(frame, QPoint(100, view->height() / 2));
    const QPoint to =
        view->mapTo(frame, QPoint(std::min(1300, view->width() - 20), view->height() / 2));
    script.Step(
        "drag-select, the dock measuring it",
        [&] {
            QTest::mousePress(window, Qt::LeftButton, {}, from);
            for (int k = 1; k <= 20; ++k) {
                QTest::mouseMove(window, from + (to - from) * k / 20);
                Wait(5);
            }
            QTest::mouseRelease(window, Qt::LeftButton, {}, to);
            return doc.SelEnd() > doc.SelStart();
        },
        [&] { return !frame->Measurements()->Measuring(); });
    std::printf("    selection %d .. %d of %d samples\n", doc.SelStart(), doc.SelEnd(), n);
    const std::string saved = path + ".saved.osc";
    SetSaveAsPrompt([saved](const std::string&, const std::string&, const std::string&) {
        return std::optional<std::string>(saved);
    });
    SetYesNoQuestion([](const std::string&) { return true; });
    if (capture) SaveAsBesideCopy(script, app, path, saved);
    const QString dragged = frame->Measurements()->m_pRange->text();
    script.Step("kxb 0 -1 255 over the whole trace", [&] {
        doc.Select(0, n);
        return doc.ExecuteCommand("kxb 0 -1 255");
    });
    // The dock measures on its own once the window is idle.
    script.Step(
        "the dock measuring the whole trace", [] { return true; },
        [&] {
            return frame->Measurements()->m_pRange->text() != dragged &&
                   !frame->Measurements()->Measuring();
        });
    for (int k = 0; k < 3; ++k) script.Step("zoom in", execute(ID_ZOOM_IN));
    for (int k = 0; k < 3; ++k) script.Step("zoom out", execute(ID_ZOOM_OUT));
    // The Spectrum dock: Welch over the whole trace, then a selection of 2^20 samples, each to
    // the plot's repaint, the window live throughout.
    CSpectrumDock* spectrum = frame->SpectrumDock();
    const auto spectrumOf = [&](int samples) {
        return [&doc, spectrum, samples] {
            if (spectrum->Computing() ||
                !spectrum->m_pRange->text().contains(QStringLiteral("(%1)").arg(samples)))
                return false;
            spectrum->m_pPlot->repaint();
            return true;
        };
    };
    // The whole trace is selected since the kxb: opening the dock starts Welch over it.
    const auto welchStart = std::chrono::steady_clock::now();
    script.Step(
        "open the Spectrum dock: Welch over all",
        [&] {
            doc.Select(0, n);
            if (!spectrum->isVisible()) frame->Router().Execute(ID_VIEW_SPECTRUM);
            return true;
        },
        spectrumOf(n));
    const double welchSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - welchStart).count();
    std::printf("    %.1f M samples a second, %d curves of %d samples\n",
                doc.Trace().m_nCurveCount * static_cast<double>(n) / welchSeconds / 1e6,
                doc.Trace().m_nCurveCount, n);
    const int million = std::min(n, 1 << 20);
    script.Step(
        "the spectrum of 2^20 samples",
        [&] {
            doc.Select(0, million);
            return true;
        },
        spectrumOf(million));
    frame->Router().Execute(ID_VIEW_SPECTRUM);
    if (capture) {
        script.Step("Save As, changed", [&] { return doc.DoSaveAs() && !doc.IsModified(); });
        script.Step(
            "reload, unchanged",
            [&] {
                app.OnFileReload();
                return true;
            },
            [&] { return !app.Busy(); });
        std::filesystem::remove(saved);
    }
    std::printf("longest stall of the run: %.1f ms%s\n", script.worst,
                script.failures ? " (a step failed)" : "");
    return script.failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const bool capture = args.size() == 2 && args[0] == "osc";
    if (!capture && !(args.size() == 3 && args[0] == "curves")) {
        std::fprintf(stderr, "usage: tesqv-bench-live osc PATH | curves C N\n");
        return 2;
    }
    CMessageRecorder messages;
    CtesqApp app;
    if (!app.InitInstance({"tesqv"})) return 1;
    app.GetMainWnd()->resize(1920, 1080);
    if (!capture) {
        app.GetDocument().TakeTrace(Generated(std::stoi(args[1]), std::stoi(args[2])));
        app.GetDocument().BuildDisplayCopies();
        app.GetDocument().UpdateAllViews(nullptr, HINT_RESET, nullptr);
    }
    const int result = Run(app, capture ? args[1] : std::string(), capture);
    for (const std::string& m : messages.m_messages) std::printf("message: %s\n", m.c_str());
    return result;
}
