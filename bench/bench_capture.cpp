// Captures of 100,000,000 bytes: decoding each encoding into an allocated array, reading a
// file, opening it end to end (the pyramid included), and writing it back.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "framework/core/File.h"
#include "framework/core/MessageSink.h"
#include "tests/support/MessageRecorder.h"
#include "trace/document/Document.h"
#include "trace/formats/capture/FormatCaptureCodec.h"

namespace {

constexpr std::size_t kBytes = 100'000'000;

// Sample bytes as each encoding's writer lays them out (encoding 1: prefix, data pairs).
const std::vector<std::uint8_t>& Payload(int encoding) {
    static std::vector<std::uint8_t> payload[3];
    std::vector<std::uint8_t>& p = payload[encoding];
    if (p.empty()) {
        p.resize(kBytes);
        std::mt19937 rng(static_cast<unsigned>(encoding));
        for (std::size_t i = 0; i < kBytes; ++i) {
            const auto r = static_cast<std::uint8_t>(rng());
            p[i] = encoding != 1 ? r
                                 : (i % 2 == 0 ? static_cast<std::uint8_t>(0xC0 | (r & 0x3F))
                                               : static_cast<std::uint8_t>(r & 0x3F));
        }
    }
    return p;
}

void BM_DecodeCapture_100MB(benchmark::State& state) {
    const int encoding = static_cast<int>(state.range(0));
    const std::vector<std::uint8_t>& in = Payload(encoding);
    std::vector<float> out(kBytes);
    for (auto _ : state) {
        std::size_t produced = 0;
        unsigned prefix = 0;
        if (encoding == 0) {
            capture::DecodeUnsigned(in.data(), kBytes, out.data());
            produced = kBytes;
        } else if (encoding == 2) {
            capture::DecodeSigned(in.data(), kBytes, out.data());
            produced = kBytes;
        } else {
            capture::DecodePairs(in.data(), kBytes, prefix, out.data(), out.size(), produced);
        }
        benchmark::DoNotOptimize(out.data());
        if (produced != (encoding == 1 ? kBytes / 2 : kBytes))
            state.SkipWithError("wrong sample count");
    }
    // Check one decoded sample against the byte rule.
    const float expected =
        encoding == 0 ? in[12345]
        : encoding == 2
            ? static_cast<std::int8_t>(in[12345])
            : static_cast<float>(((((in[12344] & 0x3F) << 6) | (in[12345] & 0x3F)) ^ 2048) - 2048);
    if (out[encoding == 1 ? 12345 / 2 : 12345] != expected) state.SkipWithError("decoded wrongly");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBytes));
}

std::string CaptureFile(int encoding) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("tesqv-bench-" + std::to_string(encoding) + ".osc");
    if (!std::filesystem::exists(path)) {
        std::ofstream out(path, std::ios::binary);
        if (encoding == 1) out.write("\x97\xC1\x89\x7A", 4);
        if (encoding == 2) out.write("\x98\xC1\x89\x7A", 4);
        out.write(reinterpret_cast<const char*>(Payload(encoding).data()),
                  static_cast<std::streamsize>(kBytes));
    }
    return path.string();
}

void BM_OpenCapture_100MB(benchmark::State& state) {
    const std::string path = CaptureFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        CtesqDoc doc;
        doc.OnNewDocument();
        if (!doc.OnOpenDocument(path) || doc.Trace().m_nSampleCount < static_cast<int>(kBytes / 2))
            state.SkipWithError("open failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBytes));
}

// The reader alone: encoding 1 is scanned for where its samples start, the others not read.
void BM_ReadCapture_100MB(benchmark::State& state) {
    const std::string path = CaptureFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        CtesqDoc doc;
        CFile file;
        if (!file.Open(path, CFile::modeRead) || !doc.ReadOscTrace(file) ||
            doc.Trace().m_nSampleCount < static_cast<int>(kBytes / 2))
            state.SkipWithError("read failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBytes));
}

// A document holding the capture of the benchmark's encoding.
void OpenCapture(CtesqDoc& doc, benchmark::State& state) {
    doc.OnNewDocument();
    CMessageRecorder messages;
    if (!doc.OnOpenDocument(CaptureFile(static_cast<int>(state.range(0)))))
        state.SkipWithError("open failed");
}

std::string OutputPath() {
    return (std::filesystem::temp_directory_path() / "tesqv-bench-out.osc").string();
}

// The writer into a plain file: encoding and writing, as "writing it back" means.
void BM_WriteCapture_100MB(benchmark::State& state) {
    CtesqDoc doc;
    OpenCapture(doc, state);
    const std::string out = OutputPath();
    for (auto _ : state) {
        CFile file(out, CFile::modeCreate | CFile::modeWrite);
        doc.WriteOscTrace(file);
        file.Close();
    }
    const auto bytes = std::filesystem::file_size(out);
    if (bytes != kBytes + (doc.m_nOscFormat == 0 ? 0 : 4))
        state.SkipWithError("wrong size written");
    std::filesystem::remove(out);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

// Save as the user does it: a temporary file flushed to disk, then renamed over the old one.
void BM_SaveCapture_100MB(benchmark::State& state) {
    CtesqDoc doc;
    OpenCapture(doc, state);
    const std::string out = OutputPath();
    std::size_t bytes = 0;
    for (auto _ : state) {
        if (!doc.OnSaveDocument(out)) state.SkipWithError("save failed");
        bytes = std::filesystem::file_size(out);
    }
    if (bytes != kBytes + (doc.m_nOscFormat == 0 ? 0 : 4))
        state.SkipWithError("wrong size written");
    std::filesystem::remove(out);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

}  // namespace

BENCHMARK(BM_ReadCapture_100MB)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->ArgName("encoding")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_DecodeCapture_100MB)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_OpenCapture_100MB)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_WriteCapture_100MB)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_SaveCapture_100MB)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
