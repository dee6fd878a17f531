// Measurements of a selection against a plain double-precision reference, and tesqv-cli stats.

#include "trace/stats/Statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>
#include <random>

#include "tests/support/CliRun.h"
#include "tests/support/TraceFixtures.h"
#include "trace/stats/StatsIndex.h"

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
const float kNaN = std::numeric_limits<float>::quiet_NaN();

// Straight from the definitions, in double, NaN samples skipped.
CurveStats Reference(const std::vector<float>& s) {
    CurveStats r;
    r.first = s.front();
    r.last = s.back();
    double sum = 0, squares = 0;
    r.min = r.max = std::nan("");
    for (const float x : s) {
        if (std::isnan(x)) {
            ++r.nan;
            continue;
        }
        if (r.count == 0 || x < r.min) r.min = x;
        if (r.count == 0 || x > r.max) r.max = x;
        ++r.count;
        sum += x;
        squares += static_cast<double>(x) * x;
    }
    r.mean = sum / static_cast<double>(r.count);
    r.rms = std::sqrt(squares / static_cast<double>(r.count));
    double deviation = 0;
    for (const float x : s)
        if (!std::isnan(x)) deviation += (x - r.mean) * (x - r.mean);
    r.std = std::sqrt(deviation / static_cast<double>(r.count));
    return r;
}

void ExpectClose(double got, double want, const char* what) {
    if (std::isnan(want)) {
        EXPECT_TRUE(std::isnan(got)) << what;
    } else if (std::isinf(want)) {
        EXPECT_EQ(got, want) << what;
    } else {
        EXPECT_NEAR(got, want, 1e-9 * std::max(1.0, std::fabs(want))) << what;
    }
}

void ExpectMatchesReference(const std::vector<float>& s) {
    const CurveStats got = ComputeCurveStats(s.data(), static_cast<std::int64_t>(s.size()));
    const CurveStats want = Reference(s);
    EXPECT_EQ(got.count, want.count);
    EXPECT_EQ(got.nan, want.nan);
    for (const auto& [g, w, name] : {std::tuple{got.min, want.min, "min"},
                                     {got.max, want.max, "max"},
                                     {got.mean, want.mean, "mean"},
                                     {got.rms, want.rms, "rms"},
                                     {got.std, want.std, "std"},
                                     {got.first, want.first, "first"},
                                     {got.last, want.last, "last"}})
        ExpectClose(g, w, name);
}

}  // namespace

TEST(SelectionStats, MatchTheDefinitionsOnRandomDataWithNaN) {
    std::mt19937 rng(3);
    std::normal_distribution<float> noise(1000.0f, 5.0f);  // a large offset: no lost digits
    for (int round = 0; round < 50; ++round) {
        std::vector<float> s(1 + rng() % 3000);
        for (float& x : s) x = rng() % 10 == 0 ? kNaN : noise(rng);
        ExpectMatchesReference(s);
    }
    ExpectMatchesReference({2.5f});                           // a single sample
    ExpectMatchesReference({kNaN, kNaN, 4.0f, kNaN, -1.0f});  // NaN first
    ExpectMatchesReference({kNaN, kNaN});                     // nothing to measure
    ExpectMatchesReference({1, 2, kInf, 3, 4, 5, 6, 7, 8});   // an infinity
    ExpectMatchesReference({-kInf, 1, 2, 3, 4, 5, 6, 7, 8, kInf});
}

TEST(SelectionStats, CoverTheClampedRangeOfEveryCurve) {
    CTraceData trace = TraceWithSamples({{1, 2, 3, 4}});
    trace.m_nCurveCount = 2;  // a second curve without samples
    const SelectionStats stats = ComputeSelectionStats(trace, 3, 1);
    EXPECT_EQ(stats.start, 1);
    EXPECT_EQ(stats.end, 3);
    ASSERT_EQ(stats.curves.size(), 2u);
    EXPECT_EQ(stats.curves[0].mean, 2.5);
    EXPECT_EQ(stats.curves[1].count, 0);
    EXPECT_EQ(ComputeSelectionStats(trace, 2, 99).end, 4);
}

TEST(CliStats, PrintsTheMeasurementsAsJson) {
    const std::string trace =
        WriteTemp("stats.txt",
                  "FileType QDL-RV\nCurve U V 0 0\nCurve I A 0 0\nStep 20 us\n\n1 5\n2 5\n3 5\n"
                  "6 5\n");
    const CliRun all = Cli("stats " + trace);
    ASSERT_EQ(all.status, 0) << all.err;
    const auto j = nlohmann::json::parse(all.out);
    EXPECT_EQ(j["start"], 0);
    EXPECT_EQ(j["end"], 4);
    EXPECT_EQ(j["count"], 4);
    EXPECT_EQ(j["duration"], 80);
    EXPECT_EQ(j["unit"], "us");
    ASSERT_EQ(j["curves"].size(), 2u);
    EXPECT_EQ(j["curves"][0]["name"], "U");
    EXPECT_EQ(j["curves"][0]["mean"], 3.0);
    EXPECT_EQ(j["curves"][0]["std"], std::sqrt(3.5));
    EXPECT_EQ(j["curves"][1]["max"], 5.0);
    EXPECT_EQ(j["curves"][1]["nan"], 0);
    EXPECT_EQ(j["curves"][0]["peakToPeak"], 5.0);
    EXPECT_EQ(j["curves"][0]["lastMinusFirst"], 5.0);
    EXPECT_NEAR(j["inverseDuration"].get<double>(), 12500, 1e-9);  // 1 / 80 us
    EXPECT_TRUE(
        nlohmann::json::parse(Cli("stats " + trace + " --select 2:2").out)["inverseDuration"]
            .is_null());

    const auto part = nlohmann::json::parse(Cli("stats " + trace + " --select 1:3").out);
    EXPECT_EQ(part["curves"][0]["first"], 2.0);
    EXPECT_EQ(part["curves"][0]["last"], 3.0);
    const CliRun past = Cli("stats " + trace + " --select 2:9");
    EXPECT_EQ(past.status, 1);
    EXPECT_EQ(past.err, "The selection 2:9 reaches past the trace's 4 samples.\n");
    EXPECT_EQ(Cli("stats " + trace + " --select 3:1").status, 2);
    std::filesystem::remove(trace);
}

TEST(SelectionStats, AmongEqualZerosTheFirstMetIsTheExtremeAsEverywhereElse) {
    std::vector<float> s(4099, 5.0f);  // past a block of 4096 and not a multiple of 4
    s[3] = -0.0f;
    s[4097] = 0.0f;
    const CurveStats c = ComputeCurveStats(s.data(), static_cast<std::int64_t>(s.size()));
    EXPECT_TRUE(c.min == 0 && std::signbit(c.min));
    for (float& x : s) x = -x;
    const CurveStats d = ComputeCurveStats(s.data(), static_cast<std::int64_t>(s.size()));
    EXPECT_TRUE(d.max == 0 && !std::signbit(d.max));  // s[3] is now +0, met first
}

TEST(SelectionStats, TheWholeTraceAsARangeAndADurationPastTheIntRange) {
    const std::string path =
        WriteTemp("long-step.txt", "FileType QDL-RV\nCurve a\nStep 1000000000 s\n\n1\n2\n3\n");
    const CliRun all = Cli("stats " + path + " --select 0:3");
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_NE(all.out.find("\"start\":0,\"end\":3,\"duration\":3000000000,\"unit\":\"s\""),
              std::string::npos)
        << all.out;
    EXPECT_EQ(Cli("stats " + path + " --select 0:4").status, 1);  // past the end
    std::filesystem::remove(path);
    // A step so large that the duration is past any double: still JSON, in stats and info.
    const std::string huge =
        WriteTemp("huge-step.txt", "FileType QDL-RV\nCurve a\nStep 1e308 s\n\n1\n2\n3\n");
    const auto stats = nlohmann::json::parse(Cli("stats " + huge).out);
    EXPECT_EQ(stats["duration"], "inf");
    const auto info = nlohmann::json::parse(Cli("info " + huge).out);
    EXPECT_EQ(info["step"], 1e308);
    std::filesystem::remove(huge);
}

// Statistics from the blocks of an index, and from the same blocks without one, against the
// definitions: ranges that start and end anywhere about block borders, at the first and last
// sample, over random data with NaN and infinities, over data whose spread is tiny against
// its mean, and after an edit of some blocks.
TEST(SelectionStats, FromBlocksTheyMatchTheDefinitionsWithOrWithoutAnIndex) {
    std::mt19937 rng(11);
    std::normal_distribution<float> noise(0.0f, 3.0f);
    std::vector<float> s(1'000'003);
    for (float& x : s) {
        const unsigned r = rng() % 1000;
        x = r == 0 ? kNaN : r == 1 ? kInf : r == 2 ? -kInf : noise(rng);
    }
    std::vector<float> tiny(200'000);
    for (std::size_t j = 0; j < tiny.size(); ++j)
        tiny[j] = 1e6f + static_cast<float>(j % 3) * 0.0625f;
    for (const std::vector<float>* data : {&s, &tiny}) {
        const CCurveSamples curve = CurveOf(*data);
        const auto count = static_cast<std::int64_t>(data->size());
        CStatsIndex index;
        ASSERT_TRUE(index.Build(curve, count));
        for (const auto& [first, n] :
             std::vector<std::pair<std::int64_t, std::int64_t>>{{0, count},
                                                                {0, 1},
                                                                {count - 1, 1},
                                                                {4095, 2},
                                                                {4096, 4096},
                                                                {4095, 8194},
                                                                {1, count - 1},
                                                                {12345, count / 2},
                                                                {count - 5000, 5000}}) {
            const std::vector<float> part(data->begin() + first, data->begin() + first + n);
            const CurveStats want = Reference(part);
            const CurveStats a = ComputeCurveStats(curve, first, n, &index);
            const CurveStats b = ComputeCurveStats(curve, first, n);
            EXPECT_EQ(a.count, want.count) << first << "+" << n;
            EXPECT_EQ(a.nan, want.nan);
            for (const auto& [g, w, name] : {std::tuple{a.min, want.min, "min"},
                                             {a.max, want.max, "max"},
                                             {a.mean, want.mean, "mean"},
                                             {a.std, want.std, "std"},
                                             {a.first, want.first, "first"},
                                             {a.last, want.last, "last"}})
                ExpectClose(g, w, name);
            // The index and a pass over the same blocks give the same figures, bit for bit.
            EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0) << first << "+" << n;
        }
    }
    // An edit of a few blocks: the index made again over them gives what a new one gives.
    auto doc = DocWithSamples({std::vector<float>(s.begin(), s.begin() + 100'000)});
    CStatsIndex index;
    ASSERT_TRUE(index.Build(doc->Trace().m_pSamples[0], 100'000));
    doc->Select(5000, 20000);
    ASSERT_TRUE(doc->ExecuteCommand("kxb 0 -3 7"));
    index.Rebuild(doc->Trace().m_pSamples[0], 5000, 20000);
    CStatsIndex fresh;
    ASSERT_TRUE(fresh.Build(doc->Trace().m_pSamples[0], 100'000));
    const CurveStats edited = ComputeCurveStats(doc->Trace().m_pSamples[0], 0, 100'000, &index);
    const CurveStats again = ComputeCurveStats(doc->Trace().m_pSamples[0], 0, 100'000, &fresh);
    EXPECT_EQ(std::memcmp(&edited, &again, sizeof edited), 0);
}
