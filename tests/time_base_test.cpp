// The time base at the steps instruments use, the same on the grid, in the read-out, in the
// statistics and after a save as .txt or .csv and a new open.

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "framework/core/NumberText.h"
#include "tests/support/CliRun.h"
#include "tests/support/TraceFixtures.h"
#include "trace/document/Document.h"
#include "trace/model/TimeBase.h"
#include "view/rules/Interaction.h"

namespace {

struct StepCase {
    double seconds;
    const char* unit;    // the unit it reads best in
    const char* at100;   // the label of sample 100 at decimation 1
    const char* atLast;  // the label of sample 2^31 - 1
};

const StepCase kCases[] = {
    {1e-12, "ps", "0.10ns", "2147483.65ns"},
    {1.25e-9, "ns", "0.12us", "2684354.56us"},
    {1.0 / 150, "ms", "00:00.7", "3976:49:17.6"},
    {20e-6, "us", "2.00ms", "42949672.94ms"},
    {1, "s", "01:40", "596523:14:07"},
    {864000, "s", "24000:00:00", "515396075280:00:00"},
};

std::unique_ptr<CtesqDoc> DocAtStep(const StepCase& c) {
    const timebase::Step step = timebase::StepOf(c.seconds);
    auto doc = DocWithSamples({std::vector<float>(1000, 1.0f)}, [&step](CTraceData& t) {
        t.m_dblStep = step.value;
        t.m_strStepUnit = step.unit;
    });
    doc->BuildDisplayCopies();
    return doc;
}

}  // namespace

TEST(TimeBase, EveryStepReadsRightAndNeighbouringGridLabelsDiffer) {
    for (const StepCase& c : kCases) {
        const auto doc = DocAtStep(c);
        EXPECT_EQ(doc->Trace().m_strStepUnit, c.unit) << c.seconds;
        EXPECT_NEAR(doc->Trace().SampleTime(1) * timebase::SecondsPer(c.unit), c.seconds,
                    c.seconds * 1e-12);
        EXPECT_EQ(doc->FormatTimeLabel(100), c.at100) << c.seconds;
        EXPECT_EQ(doc->FormatTimeLabel(INT32_MAX, 100), c.atLast) << c.seconds;
        // The read-out starts with the grid's label of its column.
        EXPECT_EQ(interaction::ReadOut(*doc, 7)->rfind(doc->FormatTimeLabel(7), 0), 0u);
        for (const int d : {1, 3, 64, 4096}) {
            std::set<std::string> labels;
            for (std::int64_t c100 = 0; c100 < 20; ++c100)
                labels.insert(doc->FormatTimeLabel(c100 * 100 * d, 100LL * d));
            EXPECT_EQ(labels.size(), 20u) << c.seconds << " at decimation " << d;
        }
    }
}

TEST(TimeBase, SavedAsTextOrCsvTheStepReadsBackAndStatsAgree) {
    const CTempDir temp("tesqv-time-base");
    for (const StepCase& c : kCases) {
        const auto doc = DocAtStep(c);
        for (const char* name : {"t.txt", "t.csv"}) {
            const std::string path = temp.Path(name);
            ASSERT_TRUE(doc->OnSaveDocument(path)) << name;
            CtesqDoc back;
            ASSERT_TRUE(back.OnOpenDocument(path)) << name;
            EXPECT_EQ(back.Trace().m_strStepUnit, doc->Trace().m_strStepUnit)
                << name << " " << c.seconds;
            EXPECT_NEAR(back.Trace().m_dblStep, doc->Trace().m_dblStep,
                        doc->Trace().m_dblStep * 1e-12)
                << name << " " << c.seconds;
            EXPECT_EQ(back.FormatTimeLabel(INT32_MAX, 100), c.atLast) << name;
            const CliRun stats = Cli("stats " + path + " --select 0:150");
            ASSERT_EQ(stats.status, 0) << stats.err;
            const std::string duration =
                "\"duration\":" + timebase::ExactText(back.Trace().SampleTime(150)) +
                ",\"unit\":\"" + c.unit + "\"";
            EXPECT_NE(stats.out.find(duration), std::string::npos) << stats.out;
        }
    }
}

TEST(TimeBase, ATimeThatRoundsToZeroHasNoSign) {
    EXPECT_EQ(timebase::Label(-0.001, 100, "us"), "0.00ms");
    EXPECT_EQ(timebase::Label(-0.001, 100, "s"), "00:00");
    EXPECT_EQ(timebase::Label(-20, 100, "us"), "-0.02ms");
}

TEST(TimeBase, SampleTimesAreWrittenInTheDigitsOfTheOriginAndTheStep) {
    EXPECT_EQ(timebase::SampleTimeText(0, 6.66666666667, 100), "666.666666667");
    EXPECT_EQ(timebase::SampleTimeText(0, 6.66666666667, 12345), "82300.00000004115");
    EXPECT_EQ(timebase::SampleTimeText(0, 0.1, 3), "0.3");
    EXPECT_EQ(timebase::SampleTimeText(-2500, 100, 3), "-2200");
    EXPECT_EQ(timebase::SampleTimeText(-0.5, 0.25, 2), "0");
    EXPECT_EQ(timebase::SampleTimeText(1e-7, 0.0125, 1), "0.0125001");
    // Every text reads back within the step's last digit of the product.
    for (const double step : {6.66666666667, 20.8333333333, 0.1, 1e-9, 3.0})
        for (const std::int64_t j : {0LL, 1LL, 7LL, 1000003LL, 2147483647LL}) {
            const double t = static_cast<double>(j) * step;
            EXPECT_NEAR(numtext::ParseReal(timebase::SampleTimeText(0, step, j)), t,
                        std::fabs(t) * 1e-15 + 1e-300)
                << step << " " << j;
        }
}
