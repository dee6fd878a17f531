// Big traces, each in a process of its own so that its peak memory is its own:
//   tesqv-bench-big curves C N      C generated curves of N samples, capture-like
//   tesqv-bench-big osc PATH N      a capture of N one-byte samples, written once, then opened
//   tesqv-bench-big info CLI PATH N `CLI info PATH` beside `cat PATH > /dev/null` on that
//                                   capture, each in a process of its own: times and peaks
// (osc, besides: statistics and a kxb over the whole capture, then the table again).
// For decimations 1, 16, 1024, 65536 and the one that fits the view: the peak resident
// memory per sample so far (everything the process holds, samples included), a zoom step
// (the new decimation and the view's repaint) and a paint of a 1920 x 1080 view, as medians.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "bench/OffscreenView.h"
#include "bench/PeakMemory.h"
#include "framework/core/File.h"
#include "tests/support/MessageRecorder.h"
#include "trace/stats/Statistics.h"
#include "view/rules/Interaction.h"
#include "view/rules/Navigation.h"

namespace {

double Milliseconds(const std::function<void()>& f) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Whole numbers 0..255 as a capture holds them: a slow triangle with noise on it.
float CaptureLike(std::uint64_t j, int curve) {
    const auto tri = static_cast<int>((j / 4096 + static_cast<std::uint64_t>(curve) * 7) % 200);
    const auto noise = static_cast<int>(((j + 1) * 2654435761u >> 27) & 15);
    return static_cast<float>((tri < 100 ? tri : 200 - tri) + 70 + noise);
}

void WriteCapture(const std::string& path, std::uint64_t n) {
    if (std::filesystem::exists(path) && std::filesystem::file_size(path) == n) return;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<char> block(std::size_t{1} << 22);
    for (std::uint64_t j = 0; j < n;) {
        const std::size_t m =
            static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), n - j));
        for (std::size_t k = 0; k < m; ++k, ++j) block[k] = static_cast<char>(CaptureLike(j, 0));
        out.write(block.data(), static_cast<std::streamsize>(m));
    }
}

// what: the heading, or nullptr for the trace as it is after WholeTraceEdits.
int Measure(CtesqDoc& doc, double openMs, const char* what) {
    const double samples =
        static_cast<double>(doc.Trace().m_nSampleCount) * doc.Trace().m_nCurveCount;
    COffscreenView screen(doc, 1920, 1080);
    CtesqView& view = screen.view;
    view.OnInitialUpdate();
    if (what)
        std::printf("%s: %d curves x %d samples, opened in %.0f ms, peak %.2f bytes/sample\n", what,
                    doc.Trace().m_nCurveCount, doc.Trace().m_nSampleCount, openMs,
                    PeakResidentBytes() / samples);
    else
        std::printf("the same after that kxb, every column read through its rule:\n");
    std::printf("%10s %10s %14s %14s %12s\n", "D", "columns", "bytes/sample", "zoom step ms",
                "paint ms");
    const int fit = navigation::FitDecimation(doc.Trace().m_nSampleCount, 1920);
    int failures = 0;
    for (const int d : {1, 16, 1024, 65536, fit}) {
        if (d > doc.Trace().m_nSampleCount) continue;
        // A zoom step into D from either side, from the middle of the trace.
        std::vector<double> steps, paints;
        for (int k = 0; k < 5; ++k) {
            doc.SetDecimation(k % 2 ? std::max(d / 2, 1) : d * 2);
            view.OnInitialUpdate();
            view.SetScrollPos(doc.DisplayColumns() / 2);
            // The step repaints the view itself, as in the window.
            steps.push_back(Milliseconds([&] { k % 2 ? view.OnZoomOut() : view.OnZoomIn(); }));
        }
        if (doc.Decimation() != d) ++failures;
        for (int k = 0; k < 5; ++k) paints.push_back(Milliseconds([&] { screen.Paint(); }));
        std::printf("%10d %10d %14.2f %14.2f %12.2f\n", d, doc.DisplayColumns(),
                    PeakResidentBytes() / samples, Median(steps), Median(paints));
    }
    return failures == 0 ? 0 : 1;
}

// The statistics of the whole trace from the index, a kxb over the whole trace (its time
// and the memory it adds), and the statistics again over the samples it changed.
void WholeTraceEdits(CtesqDoc& doc) {
    const int n = doc.Trace().m_nSampleCount;
    SelectionStats stats;
    const double indexed =
        Milliseconds([&] { stats = ComputeSelectionStats(doc.Trace(), 0, n, doc.StatsIndexes()); });
    doc.Select(0, n);
    const double before = ResidentBytes();
    const double kxb = Milliseconds([&] { doc.ExecuteCommand("kxb 0 -1 255"); });
    const double added = ResidentBytes() - before;
    const double after =
        Milliseconds([&] { stats = ComputeSelectionStats(doc.Trace(), 0, n, doc.StatsIndexes()); });
    std::printf(
        "stats of all %d samples from the index: %.1f ms; kxb 0 -1 255 over them: %.1f ms, "
        "%+.1f MB resident; their stats after it, from the samples: %.0f ms\n",
        n, indexed, kxb, added / 1e6, after);
    // A capture's bytes never reach the marker threshold: the search passes over all of them.
    const CDisplayColumns& columns = doc.Display(0);
    const double marker = Milliseconds([&] {
        if (interaction::FindNextMarker(doc.Trace().m_pSamples[0], n, 0, false, &columns))
            std::printf("a marker where there is none\n");
    });
    std::printf("a marker search over all of them, none found: %.2f ms\n", marker);
}

// How long a display-column build of the capture goes on after a cancel is asked for: the
// build is told to stop 200 ms in, from another thread, as the window's Cancel does.
double CancelLatency(const std::string& path) {
    CtesqDoc doc;
    doc.OnNewDocument();
    doc.m_bDisplayOnOpen = false;
    if (!doc.OnOpenDocument(path)) return -1;
    std::atomic<bool> cancel{false};
    std::chrono::steady_clock::time_point told;
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        told = std::chrono::steady_clock::now();
        cancel.store(true);
    });
    try {
        doc.BuildDisplayCopies([&](std::int64_t) {
            if (cancel.load()) throw CReadCancelled();
        });
    } catch (const CReadCancelled&) {
    }
    const auto stopped = std::chrono::steady_clock::now();
    canceller.join();
    // A build done before the cancel came has nothing to stop.
    return cancel.load() && stopped > told
               ? std::chrono::duration<double, std::milli>(stopped - told).count()
               : 0;
}

// A program run to its end with its output thrown away: its time and peak resident memory.
struct Run {
    double ms = 0;
    double peakBytes = 0;
};

Run RunProgram(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    Run run;
    run.ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    run.peakBytes = static_cast<double>(usage.ru_maxrss) * 1024.0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) run.ms = -1;
    return run;
}

int InfoBesideCat(const std::string& cli, const std::string& path, std::uint64_t n) {
    WriteCapture(path, n);
    RunProgram({"cat", path});  // the file in the page cache for both
    std::vector<double> cat, info, peaks;
    for (int k = 0; k < 5; ++k) {
        cat.push_back(RunProgram({"cat", path}).ms);
        const Run run = RunProgram({cli, "info", path});
        if (run.ms < 0) {
            std::fprintf(stderr, "%s info %s failed\n", cli.c_str(), path.c_str());
            return 1;
        }
        info.push_back(run.ms);
        peaks.push_back(run.peakBytes);
    }
    const double samples = static_cast<double>(n);
    std::printf(
        "info on a capture of %.0f samples: cat %.0f ms, info %.0f ms (%.1f times), "
        "peak %.3f bytes/sample\n",
        samples, Median(cat), Median(info), Median(info) / Median(cat), Median(peaks) / samples);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    EnsureApplication();
    CMessageRecorder messages;
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 4 && args[0] == "info")
        return InfoBesideCat(args[1], args[2], std::stoull(args[3]));
    CtesqDoc doc;
    doc.OnNewDocument();
    double openMs = 0;
    if (args.size() == 3 && args[0] == "curves") {
        const int curves = std::stoi(args[1]);
        const auto n = std::stoll(args[2]);
        openMs = Milliseconds([&] {
            CTraceData trace;
            for (int i = 0; i < curves; ++i) {
                trace.m_pSamples[i] = CFloatArray::Allocate(static_cast<std::size_t>(n), false);
                for (long long j = 0; j < n; ++j)
                    trace.m_pSamples[i].Floats()[static_cast<std::size_t>(j)] =
                        CaptureLike(static_cast<std::uint64_t>(j), i);
                trace.m_fCurveBottom[i] = 0;
                trace.m_fCurveTop[i] = 255;
            }
            trace.m_nCurveCount = curves;
            trace.m_nSampleCount = static_cast<int>(n);
            doc.TakeTrace(std::move(trace));
            doc.BuildDisplayCopies();
        });
    } else if (args.size() == 3 && args[0] == "osc") {
        WriteCapture(args[1], std::stoull(args[2]));
        openMs = Milliseconds([&] { doc.OnOpenDocument(args[1]); });
    } else {
        std::fprintf(stderr, "usage: tesqv-bench-big curves C N | osc PATH N | info CLI PATH N\n");
        return 2;
    }
    if (!messages.m_messages.empty() || doc.Trace().m_nSampleCount == 0) {
        std::fprintf(stderr, "the trace was not had: %s\n",
                     messages.m_messages.empty() ? "no samples" : messages.m_messages[0].c_str());
        return 1;
    }
    const int result = Measure(doc, openMs, args[0] == "osc" ? args[1].c_str() : "generated");
    if (args[0] == "osc") {
        WholeTraceEdits(doc);
        Measure(doc, openMs, nullptr);
    }
    if (args[0] == "osc")
        std::printf("a cancel 200 ms into the display columns' build: stopped %.1f ms later\n",
                    CancelLatency(args[1]));
    return result;
}
