// Pulse and timing measurements against waveforms built here with known answers: trapezoid
// pulses whose edges are linear across 20 samples (so the 10 % to 90 % time is 0.8 of the
// edge, and the samples about each crossing lie on the edge), at a period and phase that put
// every crossing between samples.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>
#include <random>
#include <vector>

#include "tests/support/CliRun.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TraceFixtures.h"
#include "trace/stats/PulseTiming.h"

namespace {

struct Pulses {
    double period = 100.5, duty = 0.3, edge = 20, low = -1, high = 4, phase = 0.37;
    double overshoot = 0, undershoot = 0;  // fractions of the amplitude, for 3 samples
    double noise = 0;                      // standard deviation, normal
};

std::vector<float> Build(const Pulses& w, int n) {
    std::mt19937 rng(3);
    std::normal_distribution<double> noise(0, w.noise);
    const double a = w.high - w.low, top = w.duty * w.period;
    std::vector<float> s(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double p = std::fmod(i + w.phase, w.period);
        double v = p < w.edge             ? w.low + a * p / w.edge
                   : p < top              ? w.high + (p < w.edge + 3 ? w.overshoot * a : 0)
                   : p < top + w.edge     ? w.high - a * (p - top) / w.edge
                   : p < top + w.edge + 3 ? w.low - w.undershoot * a
                                          : w.low;
        s[static_cast<std::size_t>(i)] = static_cast<float>(v + (w.noise > 0 ? noise(rng) : 0));
    }
    return s;
}

PulseTiming Measure(const std::vector<float>& s) {
    return MeasurePulses(CurveOf(s), 0, static_cast<std::int64_t>(s.size()));
}

}  // namespace

TEST(PulseTiming, ASquareWaveGivesItsPeriodDutyEdgesAndLevels) {
    const Pulses w;
    const PulseTiming t = Measure(Build(w, 10'000));
    EXPECT_NEAR(t.low.value, -1, 1e-3);
    EXPECT_NEAR(t.high.value, 4, 1e-3);
    EXPECT_TRUE(t.levelsNote.empty());
    EXPECT_NEAR(t.period.value, 100.5, 1e-4);
    EXPECT_NEAR(t.frequency.value, 1 / 100.5, 1e-8);
    EXPECT_GE(t.cycles, 98);
    EXPECT_LE(std::abs(t.rising - t.falling), 1);
    EXPECT_NEAR(t.riseTime.value, 0.8 * 20, 1e-3);
    EXPECT_NEAR(t.fallTime.value, 0.8 * 20, 1e-3);
    EXPECT_NEAR(t.positiveWidth.value, 0.3 * 100.5, 1e-3);
    EXPECT_NEAR(t.negativeWidth.value, 0.7 * 100.5, 1e-3);
    EXPECT_NEAR(t.duty.value, 30, 1e-3);
    EXPECT_NEAR(t.overshoot.value, 0, 1e-3);
    EXPECT_NEAR(t.undershoot.value, 0, 1e-3);
}

TEST(PulseTiming, NoiseAndRuntsBetweenTheReferenceLevelsMakeNoEdges) {
    Pulses w;
    w.noise = 0.05 * (w.high - w.low);  // 8 standard deviations to the nearer reference
    std::vector<float> s = Build(w, 10'000);
    // Runts: up to 70 % and back, within low levels.
    for (const int at : {80, 2085, 7070}) std::fill_n(s.begin() + at, 3, 2.5f);
    const PulseTiming clean = Measure(Build(Pulses(), 10'000));
    const PulseTiming t = Measure(s);
    EXPECT_EQ(t.rising, clean.rising);
    EXPECT_EQ(t.falling, clean.falling);
    EXPECT_NEAR(t.period.value, 100.5, 0.05);
    EXPECT_NEAR(t.riseTime.value, 16, 0.5);
    EXPECT_NEAR(t.duty.value, 30, 1);
    EXPECT_NEAR(t.low.value, -1, 0.2);
    EXPECT_NEAR(t.high.value, 4, 0.2);
}

// A gap (NaN) breaks the signal: no crossing is drawn across it. An edge the gap hides is
// counted, and left out of the times it cannot give.
TEST(PulseTiming, AGapHidesTheCrossingsInItAndOnlyThose) {
    std::vector<float> s = Build(Pulses(), 10'000);
    const PulseTiming clean = Measure(s);
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    std::fill_n(s.begin() + 3005, 40, kNaN);  // a whole rising edge, of the 30th cycle
    std::fill_n(s.begin() + 5025, 11, kNaN);  // the 10 % and 50 % crossings of the 50th's
    std::fill_n(s.begin() + 5141, 5, kNaN);   // the 90 % crossing of the 51st's
    const PulseTiming t = Measure(s);
    EXPECT_EQ(t.rising, clean.rising);
    EXPECT_EQ(t.falling, clean.falling);
    EXPECT_EQ(t.cycles, clean.cycles - 4);  // the two about each hidden 50 % crossing
    EXPECT_NEAR(t.riseTime.value, 16, 1e-3);
    EXPECT_NEAR(t.period.value, 100.5, 1e-3);
    EXPECT_NEAR(t.duty.value, 30, 1e-3);
}

TEST(PulseTiming, OvershootAndUndershootInPercentOfTheAmplitude) {
    Pulses w;
    w.overshoot = 0.10;
    w.undershoot = 0.05;
    const PulseTiming t = Measure(Build(w, 10'000));
    EXPECT_NEAR(t.high.value, 4, 1e-3);  // the flat top, not the peaks
    EXPECT_NEAR(t.overshoot.value, 10, 1e-3);
    EXPECT_NEAR(t.undershoot.value, 5, 1e-3);
}

// A glitch far beyond the signal is no state level; a PWM signal's period is its frame,
// rising edge to rising edge, whatever its duty does.
TEST(PulseTiming, AGlitchIsNoLevelAndAPwmPeriodIsItsFrame) {
    std::vector<float> s = Build(Pulses(), 10'000);
    s[333] = 50;
    const PulseTiming glitch = Measure(s);
    EXPECT_NEAR(glitch.high.value, 4, 1e-3);
    EXPECT_NEAR(glitch.period.value, 100.5, 1e-3);
    EXPECT_NE(glitch.levelsNote.find("left out"), std::string::npos);
    std::vector<float> pwm;
    for (int cycle = 0; cycle < 20; ++cycle)
        for (int j = 0; j < 100; ++j) pwm.push_back(j < 20 + 3 * cycle ? 5.0f : 0.0f);
    EXPECT_NEAR(Measure(pwm).period.value, 100, 1e-9);
}

TEST(PulseTiming, WhatTheSignalDoesNotAllowIsNoNumberButAReason) {
    // One step up: a rise time and its overshoot, no cycle, no width, no duty.
    std::vector<float> step(200, 0.0f);
    for (int i = 100; i < 200; ++i)
        step[static_cast<std::size_t>(i)] = i < 110 ? (i - 100) / 10.0f : 1;
    const PulseTiming t = Measure(step);
    EXPECT_EQ(t.rising, 1);
    EXPECT_EQ(t.falling, 0);
    EXPECT_NEAR(t.riseTime.value, 8, 1e-6);
    EXPECT_TRUE(t.overshoot.Known());
    for (const PulseValue* v : {&t.period, &t.frequency, &t.positiveWidth, &t.negativeWidth,
                                &t.duty, &t.fallTime, &t.undershoot}) {
        EXPECT_TRUE(std::isnan(v->value));
        EXPECT_FALSE(v->why.empty());
    }
    // A level alone, gaps alone, no samples: nothing at all, each for its reason.
    const PulseTiming flat = Measure(std::vector<float>(50, 2.5f));
    EXPECT_FALSE(flat.low.Known());
    EXPECT_EQ(Measure(std::vector<float>(50, std::nanf(""))).period.why,
              "the range holds no numbers");
    EXPECT_EQ(MeasurePulses(CCurveSamples(), 0, 10).riseTime.why, "the range holds no samples");
    EXPECT_FALSE(flat.riseTime.Known());
    EXPECT_EQ(flat.rising, 0);
    // A ramp has no clear levels: its extremes stand in, and it says so.
    std::vector<float> ramp(1000);
    for (int i = 0; i < 1000; ++i) ramp[static_cast<std::size_t>(i)] = static_cast<float>(i);
    const PulseTiming r = Measure(ramp);
    EXPECT_EQ(r.low.value, 0);
    EXPECT_EQ(r.high.value, 999);
    EXPECT_NE(r.levelsNote.find("no clear mode"), std::string::npos);
}

// Long ranges are measured on two threads: every sample told in each pass, the figures the
// same run after run, and a word to stop heard.
TEST(PulseTiming, ProgressTellsEachPassAndAThrowStopsTheMeasurement) {
    const std::vector<float> s = Build(Pulses(), 1'000'000);
    const CCurveSamples curve = CurveOf(s);
    std::int64_t told = 0;
    const PulseTiming a =
        MeasurePulses(curve, 0, 1'000'000, [&told](std::int64_t n) { told += n; });
    EXPECT_EQ(told, 3'000'000);
    const PulseTiming b = MeasurePulses(curve, 0, 1'000'000);
    EXPECT_EQ(a.high.value, b.high.value);
    EXPECT_EQ(a.period.value, b.period.value);
    struct Stop {};
    EXPECT_THROW(MeasurePulses(curve, 0, 1'000'000, [](std::int64_t) { throw Stop(); }), Stop);
    // The statistics' extremes save the first pass and change nothing; infinite ones do not.
    const auto [mn, mx] = std::minmax_element(s.begin(), s.end());
    const KnownExtremes known{*mn, *mx}, infinite{-std::numeric_limits<double>::infinity(), *mx};
    told = 0;
    const PulseTiming c = MeasurePulses(
        curve, 0, 1'000'000, [&told](std::int64_t n) { told += n; }, &known);
    EXPECT_EQ(told, 2'000'000);
    EXPECT_EQ(c.low.value, a.low.value);
    EXPECT_EQ(c.period.value, a.period.value);
    EXPECT_EQ(c.riseTime.value, a.riseTime.value);
    told = 0;
    MeasurePulses(
        curve, 0, 1'000'000, [&told](std::int64_t n) { told += n; }, &infinite);
    EXPECT_EQ(told, 3'000'000);
}

// In tesqv-cli stats: each curve's timing in the trace's unit and hertz, what cannot be
// measured as null with its reason.
TEST(CliStats, GivesEachCurvesTimingInTheTracesUnitAndHertz) {
    std::string text = "FileType QDL-RV\nCurve clock V 0 5\nCurve level V 0 5\nStep 10 us\n\n";
    for (int i = 0; i < 1000; ++i)  // 40 samples a cycle, 10 high: 2.5 kHz, 25 % duty
        text += (i % 40 < 10 ? "5 " : "0 ") + std::string("1\n");
    const std::string trace = WriteTemp("timing.txt", text);
    const CliRun run = Cli("stats " + trace + " --select 5:1000");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto j = nlohmann::json::parse(run.out);
    const auto& clock = j["curves"][0]["timing"];
    EXPECT_EQ(clock["low"], 0.0);
    EXPECT_EQ(clock["high"], 5.0);
    EXPECT_EQ(clock.count("levels"), 0u);                   // both levels are clear modes
    EXPECT_NEAR(clock["period"].get<double>(), 400, 1e-9);  // us
    EXPECT_NEAR(clock["frequency"].get<double>(), 2500, 1e-6);
    EXPECT_NEAR(clock["duty"].get<double>(), 25, 1e-9);
    EXPECT_NEAR(clock["riseTime"].get<double>(), 8, 1e-9);  // 0.8 of a step across one step
    EXPECT_EQ(clock["cycles"], 23);  // between the 24 rising edges in the range
    EXPECT_TRUE(clock["why"].empty());
    const auto& level = j["curves"][1]["timing"];
    EXPECT_TRUE(level["period"].is_null());
    EXPECT_EQ(level["why"]["period"], "the range holds no two different numbers");
    // An empty range has its timing too, and a unit written as people write it is still one.
    const auto none = nlohmann::json::parse(Cli("stats " + trace + " --select 5:5").out);
    EXPECT_EQ(none["curves"][0]["timing"]["why"]["period"], "the range holds no samples");
    std::filesystem::remove(trace);
    text.replace(text.find("10 us"), 5, "10 \u00b5s");
    const std::string micro = WriteTemp("timing-micro.txt", text);
    const auto m = nlohmann::json::parse(Cli("stats " + micro + " --select 5:1000").out);
    EXPECT_NEAR(m["curves"][0]["timing"]["frequency"].get<double>(), 2500, 1e-6);
    std::filesystem::remove(micro);
}
