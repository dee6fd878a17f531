// Opening a 1,000,000-row by 8-curve text trace (about 75 MB): the reader on two threads,
// the same two passes on one, a general-purpose CSV reader on the same numbers, and the
// reader's peak memory.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>

// The general-purpose reader on one thread, as the comparison asks.
#define CSV_IO_NO_THREAD
#include <libfccp/csv.h>

#include "bench/PeakMemory.h"
#include "framework/core/File.h"
#include "tests/support/TraceFixtures.h"
#include "trace/document/Document.h"

namespace {

constexpr int kRows = 1'000'000;

// Generated once per machine, never committed.
const std::string& TraceFile() {
    static const std::string path = [] {
        const auto p = std::filesystem::temp_directory_path() / "tesqv-bench-1Mx8.txt";
        if (std::filesystem::exists(p)) return p.string();
        std::string text = "FileType QDL-RV\nDateTime 2026-12-06 10:00:00\n";
        for (int i = 0; i < 8; ++i) text += "Curve c" + std::to_string(i) + " V 0 0\n";
        text += "Step 1 us\n\n";
        std::mt19937 rng(1);
        std::uniform_real_distribution<double> value(-1000.0, 1000.0);
        char buf[32];
        for (int r = 0; r < kRows; ++r) {
            for (int c = 0; c < 8; ++c) {
                auto res =
                    std::to_chars(buf, buf + sizeof buf, value(rng), std::chars_format::fixed, 4);
                text.append(buf, res.ptr);
                text += c < 7 ? '\t' : '\n';
            }
        }
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }();
    return path;
}

// The same numbers as CSV: a header row of names, commas between cells.
const std::string& CsvFile() {
    static const std::string path = [] {
        const auto p = std::filesystem::temp_directory_path() / "tesqv-bench-1Mx8.csv";
        if (std::filesystem::exists(p)) return p.string();
        std::ifstream in(TraceFile(), std::ios::binary);
        std::ofstream out(p, std::ios::binary);
        out << "c0,c1,c2,c3,c4,c5,c6,c7\n";
        std::string line;
        bool data = false;
        while (std::getline(in, line)) {
            if (!data) {
                data = line.empty();
                continue;
            }
            std::replace(line.begin(), line.end(), '\t', ',');
            out << line << '\n';
        }
        return p.string();
    }();
    return path;
}

// The same table with a time column in place of c0, as a scope writes one: 1 us steps from
// -0.5 s, six decimals.
const std::string& CsvTimeFile() {
    static const std::string path = [] {
        const auto p = std::filesystem::temp_directory_path() / "tesqv-bench-1Mx8-time.csv";
        if (std::filesystem::exists(p)) return p.string();
        std::ifstream in(CsvFile(), std::ios::binary);
        std::ofstream out(p, std::ios::binary);
        std::string line;
        std::getline(in, line);
        out << "time [s]" << line.substr(line.find(',')) << '\n';
        char time[32];
        for (long long row = 0; std::getline(in, line); ++row) {
            std::snprintf(time, sizeof time, "%.6f", -0.5 + static_cast<double>(row) * 1e-6);
            out << time << line.substr(line.find(',')) << '\n';
        }
        return p.string();
    }();
    return path;
}

bool ReadCsvAndCheck(CtesqDoc& doc, const std::string& path, int curves) {
    CFile file;
    return file.Open(path, CFile::modeRead) && doc.ReadAs(TraceFormatId::csv, file) &&
           doc.Trace().m_nSampleCount == kRows && doc.Trace().m_nCurveCount == curves &&
           (curves == 8 || doc.Trace().m_dblStep == 1);
}

bool ReadAndCheck(CtesqDoc& doc, const std::string& path) {
    CFile file;
    if (!file.Open(path, CFile::modeRead)) return false;
    doc.ReadTextTrace(file);
    return doc.Trace().m_nSampleCount == kRows && doc.Trace().m_nCurveCount == 8 &&
           doc.Trace().m_pSamples[7] && doc.Trace().m_fCurveTop[3] > 990.0f &&
           doc.Trace().m_fCurveBottom[3] < -990.0f;
}

void BM_ReadTextTrace_1Mx8(benchmark::State& state) {
    const std::string& path = TraceFile();
    const auto bytes = std::filesystem::file_size(path);
    for (auto _ : state) {
        CtesqDoc doc;
        if (!ReadAndCheck(doc, path)) state.SkipWithError("trace read wrongly");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

// Both passes line by line on this thread, as the reader ran before it used two.
void BM_ReadTextTrace_OneThread_1Mx8(benchmark::State& state) {
    const std::string& path = TraceFile();
    const auto bytes = std::filesystem::file_size(path);
    for (auto _ : state) {
        CFile file(path, CFile::modeRead);
        const CTraceData stored = ReadTextOnOneThread(file);
        if (stored.m_nSampleCount != kRows || stored.m_nCurveCount != 8)
            state.SkipWithError("trace read wrongly");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

// A fast general-purpose CSV reader (header-only, one thread), filling 8 float columns.
void BM_GeneralCsvReader_1Mx8(benchmark::State& state) {
    const std::string& path = CsvFile();
    const auto bytes = std::filesystem::file_size(path);
    for (auto _ : state) {
        io::CSVReader<8> in(path);
        in.read_header(io::ignore_extra_column, "c0", "c1", "c2", "c3", "c4", "c5", "c6", "c7");
        std::vector<float> columns[8];
        for (auto& c : columns) c.reserve(kRows);
        float v[8];
        while (in.read_row(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]))
            for (int k = 0; k < 8; ++k) columns[k].push_back(v[k]);
        if (columns[7].size() != static_cast<std::size_t>(kRows))
            state.SkipWithError("CSV read wrongly");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_ReadCsvTrace_1Mx8(benchmark::State& state) {
    const std::string& path = CsvFile();
    const auto bytes = std::filesystem::file_size(path);
    for (auto _ : state) {
        CtesqDoc doc;
        CFile file;
        if (!file.Open(path, CFile::modeRead) || !doc.ReadAs(TraceFormatId::csv, file) ||
            doc.Trace().m_nSampleCount != kRows || doc.Trace().m_nCurveCount != 8 ||
            doc.Trace().m_fCurveTop[3] < 990.0f)
            state.SkipWithError("CSV read wrongly");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

// With a time column: its steps judged on every row, its values kept only as the floats of a
// curve it may yet become.
void BM_ReadCsvTrace_TimeColumn_1Mx8(benchmark::State& state) {
    const std::string& path = CsvTimeFile();
    const auto bytes = std::filesystem::file_size(path);
    for (auto _ : state) {
        CtesqDoc doc;
        if (!ReadCsvAndCheck(doc, path, 7)) state.SkipWithError("CSV read wrongly");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

// As the window opens: on a worker thread, every block counted for the progress bar and checked
// for a cancel; against BM_ReadTextTrace_1Mx8 in the same run.
void BM_ReadTextTrace_Background_1Mx8(benchmark::State& state) {
    const std::string& path = TraceFile();
    for (auto _ : state) {
        CtesqDoc doc;
        std::atomic<std::uint64_t> bytes{0};
        std::atomic<bool> cancel{false};
        bool ok = false;
        std::thread worker([&] {
            ok = doc.ReadTraceFile(path, [&](std::size_t n) {
                if (cancel) throw CReadCancelled();
                bytes += n;
            });
        });
        worker.join();
        if (!ok || doc.Trace().m_nSampleCount != kRows || bytes == 0)
            state.SkipWithError("read wrongly");
    }
}

// Peak memory of one open, in a fresh child so the high-water mark is the reader's alone:
// the text trace (0), a CSV (1), a CSV with a time column (2), per curve sample.
void BM_ReaderPeakMemory_1Mx8(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const std::string& path = kind == 0 ? TraceFile() : kind == 1 ? CsvFile() : CsvTimeFile();
    const int curves = kind == 2 ? 7 : 8;
    double bytesPerSample = 0;
    for (auto _ : state) {
        int pipefd[2];
        if (pipe(pipefd) != 0) state.SkipWithError("pipe");
        const pid_t pid = fork();
        if (pid == 0) {
            std::ofstream("/proc/self/clear_refs") << "5";  // restart the high-water mark here
            const double before = PeakResidentBytes();
            CtesqDoc doc;
            const bool ok =
                kind == 0 ? ReadAndCheck(doc, path) : ReadCsvAndCheck(doc, path, curves);
            const double perSample =
                ok ? (PeakResidentBytes() - before) / (static_cast<double>(curves) * kRows) : -1;
            (void)!write(pipefd[1], &perSample, sizeof perSample);
            _exit(0);
        }
        (void)!read(pipefd[0], &bytesPerSample, sizeof bytesPerSample);
        waitpid(pid, nullptr, 0);
        close(pipefd[0]);
        close(pipefd[1]);
    }
    if (bytesPerSample < 0) state.SkipWithError("trace read wrongly");
    state.counters["bytes_per_sample"] = bytesPerSample;
}

}  // namespace

BENCHMARK(BM_ReadTextTrace_1Mx8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadTextTrace_OneThread_1Mx8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GeneralCsvReader_1Mx8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadCsvTrace_1Mx8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadCsvTrace_TimeColumn_1Mx8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadTextTrace_Background_1Mx8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReaderPeakMemory_1Mx8)
    ->DenseRange(0, 2)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
