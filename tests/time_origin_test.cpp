// The time of the first sample as a scope export gives it (a trigger at 0 puts the samples
// before it at negative times): kept by the read, shown by the grid and the read-out, written
// by Copy, stats and CSV saves, and said before a save in a format that starts at 0.

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/support/CliRun.h"
#include "tests/support/OpenedCsv.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TraceFixtures.h"
#include "trace/formats/FormatRegistry.h"
#include "trace/model/TimeBase.h"

namespace {

const std::string kScopeExport = "Time (s),CH1 (V)\n-2.5e-3,1\n-2.4e-3,2\n-2.3e-3,3\n-2.2e-3,4\n";

}  // namespace

TEST(TimeOrigin, AScopeExportKeepsItsTriggerTimeInTheWindowAndInCopy) {
    Opened o(kScopeExport);
    const CTraceData& t = o.doc.Trace();
    EXPECT_EQ(t.m_dblStep, 100);
    EXPECT_EQ(t.m_strStepUnit, "us");
    EXPECT_EQ(t.m_dblOrigin, -2500);
    EXPECT_TRUE(o.Says("the first sample is at -2.5 ms, as the time column says")) << o.Notice();
    EXPECT_EQ(o.doc.FormatTimeLabel(0, 100), "-2.50ms");
    EXPECT_EQ(o.doc.FormatTimeLabel(3, 100), "-2.20ms");
    o.doc.Select(1, 3);
    std::string text;
    ASSERT_TRUE(o.doc.SelectionText(text));
    EXPECT_EQ(text, "time [us]\tCH1 [V]\n-2400\t2\n-2300\t3\n");
    // A file without times starts at 0, as before.
    EXPECT_EQ(Opened("a\n1\n2\n3\n").doc.Trace().m_dblOrigin, 0);
    // Negative whole seconds read as a clock with its sign in front.
    EXPECT_EQ(timebase::Label(-5, 100, "s"), "-00:05");
    EXPECT_EQ(timebase::Label(-3725, 100, "s"), "-1:02:05");
}

TEST(TimeOrigin, ACsvSaveKeepsItAndFormatsThatStartAtZeroSaySo) {
    struct Case {
        double origin, step;
        const char* unit;
    };
    for (const Case c : {Case{-2500, 100, "us"}, Case{1e-7, 0.0125, "s"},
                         Case{-1234.56789, 0.2, "ns"}, Case{86400.5, 1, "ms"}}) {
        auto doc = DocWithSamples({{1, 2, 3}}, [&](CTraceData& t) {
            t.m_dblOrigin = c.origin;
            t.m_dblStep = c.step;
            t.m_strStepUnit = c.unit;
        });
        CTempDir temp;
        ASSERT_TRUE(doc->OnSaveDocument(temp.Path("out.csv")));
        CtesqDoc again;
        ASSERT_TRUE(again.OnOpenDocument(temp.Path("out.csv")));
        // The read may choose another unit for the step (0.0125 s is 12.5 ms).
        const auto seconds = [](const CTraceData& t, int j) {
            return t.SampleTime(j) * timebase::SecondsPer(t.m_strStepUnit);
        };
        for (int j = 0; j < 3; ++j)
            EXPECT_DOUBLE_EQ(seconds(again.Trace(), j), seconds(doc->Trace(), j)) << c.unit;
        const std::string loss = TraceFormat(TraceFormatId::text).loss(doc->Trace(), {});
        EXPECT_EQ(loss.rfind("The time of the first sample, ", 0), 0u) << loss;
        EXPECT_NE(TraceFormat(TraceFormatId::capture).loss(doc->Trace(), {}), "");
    }
    // One sample: the Step line gives the step, the time column still the origin.
    auto one = DocWithSamples({{7}}, [](CTraceData& t) { t.m_dblOrigin = -3; });
    CTempDir temp;
    ASSERT_TRUE(one->OnSaveDocument(temp.Path("one.csv")));
    CtesqDoc again;
    ASSERT_TRUE(again.OnOpenDocument(temp.Path("one.csv")));
    EXPECT_EQ(again.Trace().m_dblOrigin, -3);
    auto zero = DocWithSamples({{1, 2}}, [](CTraceData&) {});
    EXPECT_EQ(TraceFormat(TraceFormatId::text).loss(zero->Trace(), {}), "");
}

TEST(TimeOrigin, StatsGiveTheTimesOfTheRangesEnds) {
    const std::string path = WriteTemp("scope.csv", kScopeExport);
    const CliRun run = Cli("stats " + path + " --select 1:3");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto j = nlohmann::json::parse(run.out);
    EXPECT_EQ(j["startTime"], -2400);
    EXPECT_EQ(j["endTime"], -2200);
    EXPECT_EQ(j["duration"], 200);
    const auto info = nlohmann::json::parse(Cli("info " + path).out);
    EXPECT_EQ(info["timeOrigin"], -2500);
    std::filesystem::remove(path);
}
