// Spectra against the transform written out in double, and against what a sine and white
// noise are known to give.

#include "trace/stats/Spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/CliRun.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TraceFixtures.h"

using V = std::vector<float>;

namespace {

constexpr double kPi = std::numbers::pi;

Spectrum Of(const V& s, int segment, SpectrumWindow window = SpectrumWindow::hann) {
    const CCurveSamples curve = CurveOf(s);
    return ComputeSpectrum({&curve}, 0, static_cast<std::int64_t>(s.size()), {window, segment});
}

// The single-sided amplitude of each bin, from the definitions: each segment less its mean,
// windowed and padded with zeros to `size`, its DFT summed in double, the power averaged over
// segments; 0 Hz the root mean square of the segments' means.
std::vector<double> Direct(const V& s, int window, int size, int hop, SpectrumWindow kind) {
    const V w = WindowCoefficients(kind, window);
    double gain = 0;
    for (const float x : w) gain += x;
    const int segments = static_cast<int>((s.size() - static_cast<std::size_t>(window)) / hop + 1);
    std::vector<double> power(static_cast<std::size_t>(size / 2 + 1));
    for (int g = 0; g < segments; ++g) {
        double mean = 0;
        for (int i = 0; i < window; ++i) mean += s[static_cast<std::size_t>(g * hop + i)];
        mean /= window;
        power[0] += mean * mean * gain * gain;
        for (int k = 1; k <= size / 2; ++k) {
            std::complex<double> sum = 0;
            for (int i = 0; i < window; ++i)
                sum += (s[static_cast<std::size_t>(g * hop + i)] - mean) *
                       w[static_cast<std::size_t>(i)] * std::polar(1.0, -2 * kPi * k * i / size);
            power[static_cast<std::size_t>(k)] += std::norm(sum);
        }
    }
    std::vector<double> amplitude;
    for (int k = 0; k <= size / 2; ++k)
        amplitude.push_back((k == 0 || k == size / 2 ? 1 : 2) *
                            std::sqrt(power[static_cast<std::size_t>(k)] / segments) / gain);
    return amplitude;
}

}  // namespace

TEST(Spectrum, EveryWindowGivesTheTransformWrittenOut) {
    std::mt19937 rng(1);
    std::normal_distribution<float> noise(0.5f, 1.0f);
    V s(1000);
    for (float& x : s) x = noise(rng);
    const V shortRange(s.begin(), s.begin() + 100);
    for (std::size_t w = 0; w < SpectrumWindowNames().size(); ++w) {
        const auto kind = static_cast<SpectrumWindow>(w);
        // One padded transform (100 samples in 128), and Welch's 6 segments of 256.
        for (const auto& [samples, segment, size, hop] :
             {std::tuple{&shortRange, 4096, 128, 100}, {&s, 256, 256, 128}}) {
            const Spectrum got = Of(*samples, segment, kind);
            const std::vector<double> want =
                Direct(*samples, segment < 1000 ? 256 : 100, size, hop, kind);
            ASSERT_EQ(got.size, size);
            ASSERT_EQ(got.curves[0].amplitude.size(), want.size());
            for (std::size_t k = 0; k < want.size(); ++k)
                EXPECT_NEAR(got.curves[0].amplitude[k], want[k], 1e-5 + 1e-5 * want[k])
                    << SpectrumWindowNames()[w] << " size " << size << " bin " << k;
        }
    }
}

// With the flat top a sine reads as its amplitude wherever its frequency falls between bins.
TEST(Spectrum, ASineReadsAsItsAmplitudeWithinATenthOfADecibelThroughTheFlatTop) {
    std::mt19937 rng(2);
    std::uniform_real_distribution<double> phase(0, 2 * kPi), offset(0, 1);
    for (int round = 0; round < 6; ++round) {
        const double bin = 100 + round * 330 + offset(rng), a = 3.7, p = phase(rng);
        V s(4 * 4096);
        for (std::size_t i = 0; i < s.size(); ++i)
            s[i] = static_cast<float>(a * std::sin(2 * kPi * bin * i / 4096 + p) + 5.5);
        const Spectrum got = Of(s, 4096, SpectrumWindow::flatTop);
        ASSERT_EQ(got.segments, 7);
        const CurveSpectrum& c = got.curves[0];
        ASSERT_GT(c.peak, 0);
        EXPECT_NEAR(c.peak, bin, 1.0);
        EXPECT_NEAR(Decibels(c.amplitude[static_cast<std::size_t>(c.peak)]), Decibels(a), 0.1)
            << "bin " << bin;
        EXPECT_NEAR(c.amplitude[0], 5.5, 0.01);  // the offset, as itself
    }
}

// A short range whose sine lies within the window's main lobe of 0 Hz: the sine is the peak,
// not 0 Hz's leak nor the shoulder of the sine's own lobe.
TEST(Spectrum, ASineNearZeroHertzInAShortRangeIsThePeak) {
    V s(400);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<float>(0.305 * std::sin(2 * kPi * 440 * i / 48000.0) + 0.02);
    for (const SpectrumWindow w : {SpectrumWindow::flatTop, SpectrumWindow::hann}) {
        const Spectrum got = Of(s, 65536, w);
        ASSERT_EQ(got.size, 512);
        EXPECT_NEAR(got.curves[0].peak, 440.0 / (48000.0 / 512), 1.0);  // bin 4.7
    }
}

// White noise of deviation 1: each bin's mean power is 4 sum(w^2) / sum(w)^2, and Welch's
// average of 255 segments comes within a few percent of it.
TEST(Spectrum, WelchOfWhiteNoiseComesToItsKnownMeanLevel) {
    std::mt19937 rng(3);
    std::normal_distribution<float> noise(0.0f, 1.0f);
    V s(1 << 19);
    for (float& x : s) x = noise(rng);
    const Spectrum got = Of(s, 4096);
    ASSERT_EQ(got.segments, 255);
    const V w = WindowCoefficients(SpectrumWindow::hann, 4096);
    double sum = 0, squares = 0;
    for (const float x : w) sum += x, squares += static_cast<double>(x) * x;
    double mean = 0;
    for (int k = 1; k < 2048; ++k) {
        const double a = got.curves[0].amplitude[static_cast<std::size_t>(k)];
        mean += a * a / 2047;
    }
    EXPECT_NEAR(mean / (4 * squares / (sum * sum)), 1.0, 0.03);
}

// NaN and infinities count as 0 and are counted once, though Welch's segments overlap.
TEST(Spectrum, SamplesNotFiniteAreCountedOnceAndTakenAsZeroAndTooFewSamplesGiveNone) {
    V s(64, 1.0f);
    s[3] = s[40] = std::numeric_limits<float>::quiet_NaN();
    s[20] = -std::numeric_limits<float>::infinity();
    V zeroed = s;
    zeroed[3] = zeroed[40] = zeroed[20] = 0.0f;
    for (const int segment : {4096, 16}) {
        const Spectrum got = Of(s, segment), want = Of(zeroed, segment);
        EXPECT_EQ(got.curves[0].notFinite, 3) << segment;
        EXPECT_EQ(got.curves[0].amplitude, want.curves[0].amplitude) << segment;
    }
    EXPECT_EQ(Of(V(100, 3.0f), 4096).curves[0].peak, -1);  // a constant has no peak
    EXPECT_EQ(Of(V{1.0f}, 4096).size, 0);
    EXPECT_EQ(Of(V{1.0f, 2.0f}, 4096).size, 2);
}

// In tesqv-cli: a sine of 2 V at 12.5 kHz, 10 us a step, read back from the JSON and the CSV.
TEST(CliSpectrum, GivesEachCurvesLevelsInHertzAsJsonOrCsv) {
    // A quote in the name: the CSV header cell quoted, the quote doubled.
    std::string text = "FileType QDL-RV\nCurve sine\"1 V -5 5\nStep 10 us\n\n";
    for (int i = 0; i < 3000; ++i)  // 8 samples a cycle
        text += std::to_string(2 * std::sin(2 * kPi * i / 8 + 0.3)) + "\n";
    const std::string trace = WriteTemp("spectrum.txt", text);
    const CliRun json = Cli("spectrum " + trace + " --select 100:2148 --window flat-top --json");
    ASSERT_EQ(json.status, 0) << json.err;
    const auto j = nlohmann::json::parse(json.out);
    EXPECT_EQ(j["size"], 2048);
    EXPECT_EQ(j["segments"], 1);
    EXPECT_EQ(j["unit"], "Hz");
    EXPECT_EQ(j["binWidth"].get<double>(), 1e6 / 20480);
    const auto& sine = j["curves"][0];
    EXPECT_EQ(sine["peak"]["frequency"].get<double>(), 12500);
    EXPECT_NEAR(sine["peak"]["level"].get<double>(), 2, 0.005);
    EXPECT_EQ(sine["levels"].size(), 1025u);

    const CliRun csv = Cli("spectrum " + trace + " --segment 256 --db");
    ASSERT_EQ(csv.status, 0) << csv.err;
    std::istringstream lines(csv.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "frequency [Hz],\"sine\"\"1 [dBV]\"");
    std::getline(lines, line);
    std::getline(lines, line);
    EXPECT_EQ(line.substr(0, line.find(',')), "390.625");  // 1e6 / 2560, no digit of noise
    int rows = 2;
    double peakFrequency = 0, peak = -1e9;
    for (; std::getline(lines, line); ++rows) {
        // 0 Hz: the mean, 0 for a whole number of cycles, -inf dB.
        const double f = std::stod(line), level = std::stod(line.substr(line.find(',') + 1));
        if (level > peak) peak = level, peakFrequency = f;
    }
    EXPECT_EQ(rows, 129);
    EXPECT_EQ(peakFrequency, 12500);
    EXPECT_NEAR(peak, 20 * std::log10(2.0),
                0.1);  // a bin's centre: the Hann window's gain is right

    EXPECT_EQ(Cli("spectrum " + trace + " --window kaiser").status, 2);
    EXPECT_EQ(Cli("spectrum " + trace + " --segment 1000").status, 2);
    const CliRun one = Cli("spectrum " + trace + " --select 5:6");
    EXPECT_EQ(one.status, 1);
    EXPECT_NE(one.err.find("2 samples at least"), std::string::npos) << one.err;
    std::filesystem::remove(trace);
}

// Hertz where the time unit has a length (1 / 1e-9 is not quite a billion in double, the
// unit's own count is), cycles per unit where it has none.
TEST(Spectrum, BinFrequenciesAreHertzWithoutRoundingNoiseOrCyclesPerUnit) {
    EXPECT_EQ(FrequencyAxisOf(1, "ns", 1000).At(1), 1e6);
    EXPECT_EQ(FrequencyAxisOf(10, "us", 64).At(1), 1562.5);
    const FrequencyAxis div = FrequencyAxisOf(2, "div", 8);
    EXPECT_EQ(div.unit, "1/div");
    EXPECT_EQ(div.At(1), 1.0 / 16);
    EXPECT_EQ(div.Text(0.0625), "0.0625 1/div");
}
