// CSV and TSV traces: separators, decimal commas, names and units, the time column, dropped
// columns and unreadable cells, and a saved CSV opening back bit for bit.

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "framework/core/Prompts.h"
#include "tests/support/MemFile.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TraceFixtures.h"
#include "trace/model/TimeBase.h"

namespace {

struct Csv {
    explicit Csv(const std::string& text) {
        CMemFile file(text.data(), text.size());
        ok = doc.ReadAs(TraceFormatId::csv, file);
    }
    CtesqDoc doc;
    CMessageRecorder messages;
    bool ok = false;
};

using V = std::vector<float>;

}  // namespace

TEST(Csv, SeparatorsAndDecimalCommas) {
    const Csv comma("1.5,2\n3,4\n");
    EXPECT_EQ(Samples(comma.doc, 0), (V{1.5f, 3}));
    EXPECT_EQ(Samples(comma.doc, 1), (V{2, 4}));
    const Csv semicolon("a;b\r\n1,5;2\r\n3;4,25\r\n");  // decimal commas with ';'
    EXPECT_EQ(Samples(semicolon.doc, 0), (V{1.5f, 3}));
    EXPECT_EQ(Samples(semicolon.doc, 1), (V{2, 4.25f}));
    const Csv tab("a\tb\n0,5\t1e3\n");
    EXPECT_EQ(Samples(tab.doc, 0), (V{0.5f}));
    EXPECT_EQ(Samples(tab.doc, 1), (V{1000}));
    EXPECT_EQ(comma.messages.m_messages,
              std::vector<std::string>{"no time step found; samples are 1 s apart."});
}

TEST(Csv, AnEvenlySpacedTimeColumnGivesTheStep) {
    const Csv ms("Time [ms],a\n0,1\n5,2\n10,3\n");
    EXPECT_EQ(ms.doc.Trace().m_nCurveCount, 1);
    EXPECT_EQ(ms.doc.Trace().m_dblStep, 5);
    EXPECT_EQ(ms.doc.Trace().m_strStepUnit, "ms");
    const Csv fraction("t,a\n0,1\n0.002,2\n0.004,3\n");  // 2 ms, in the unit it reads best in
    EXPECT_EQ(fraction.doc.Trace().m_dblStep, 2);
    EXPECT_EQ(fraction.doc.Trace().m_strStepUnit, "ms");
    const Csv uneven("TIME,a\n0,1\n1,2\n3,3\n");  // not even: an ordinary curve
    EXPECT_EQ(uneven.doc.Trace().m_nCurveCount, 2);
    EXPECT_EQ(uneven.doc.Trace().m_strCurveName[0], "TIME");
    EXPECT_EQ(uneven.doc.Trace().m_dblStep, 1);
    EXPECT_EQ(uneven.doc.Trace().m_strStepUnit, "s");
    EXPECT_EQ(uneven.messages.m_messages,
              std::vector<std::string>{"the time column \"TIME\" was taken to count seconds, as it "
                                       "names no unit; the time column \"TIME\" is not evenly "
                                       "spaced (its steps run from 1 to 2 s), so it is shown as a "
                                       "curve; no time step found; samples are 1 s apart."});
    const Csv odd("Time [fortnight],a\n0,1\n1,2\n2,3\n");
    EXPECT_EQ(odd.messages.m_messages,
              std::vector<std::string>{"the time column \"Time [fortnight]\" was taken to count "
                                       "seconds, as \"fortnight\" is no unit of time known here; "
                                       "the step of 1 s comes from the time column \"Time "
                                       "[fortnight]\"."});
}

TEST(Csv, ExtraColumnsAndBadCellsAreSaidOnce) {
    const Csv wide("1,2,3,4,5,6,7,8,9,10\n1,2,3,4,5,6,7,8,9,10\n");
    EXPECT_EQ(wide.doc.Trace().m_nCurveCount, 8);
    EXPECT_EQ(wide.messages.m_messages,
              std::vector<std::string>{
                  "no time step found; samples are 1 s apart; a trace holds 8 curves at most: "
                  "\"column 8\", \"column 9\" were left out."});
    const Csv bad("a,b\n1,\n,x\n3\n");
    EXPECT_TRUE(std::isnan(Samples(bad.doc, 1).at(0)));
    EXPECT_TRUE(std::isnan(Samples(bad.doc, 0).at(1)));
    EXPECT_EQ(bad.messages.m_messages,
              std::vector<std::string>{"no time step found; samples are 1 s apart; 4 cells were "
                                       "empty or not numbers and read as NaN."});
}

TEST(Csv, ASavedCsvOpensBackBitForBit) {
    std::mt19937 rng(6);
    std::vector<std::vector<float>> curves(3, std::vector<float>(500));
    for (auto& c : curves)
        for (float& x : c) {
            std::uint32_t bits = static_cast<std::uint32_t>(rng());
            std::memcpy(&x, &bits, sizeof x);
            if (!std::isfinite(x)) x = -0.0f;
        }
    curves[1][7] = std::numeric_limits<float>::infinity();
    auto doc = DocWithSamples(curves, [](CTraceData& t) {
        t.m_dblStep = 20;
        t.m_strStepUnit = "us";
        t.m_strCurveName[0] = "U1";
        t.m_strCurveUnit[0] = "V";
        t.m_strCurveName[2] = "a;b";
        t.m_strHeaderText = "Station:North Hall        Operator:A, B        ";
    });
    doc->SetCurveRange(1, -2.5f, 1e-30f);  // set by the user: not the data's extremes
    CTempDir temp;
    ASSERT_TRUE(doc->OnSaveDocument(temp.Path("out.csv")));
    CtesqDoc again;
    ASSERT_TRUE(again.OnOpenDocument(temp.Path("out.csv")));
    EXPECT_EQ(again.Trace().m_dblStep, 20);
    EXPECT_EQ(again.Trace().m_strStepUnit, "us");
    EXPECT_EQ(again.Trace().m_strCurveName[0], "U1");
    EXPECT_EQ(again.Trace().m_strCurveUnit[0], "V");
    EXPECT_EQ(again.Trace().m_strCurveName[2], "a;b");
    EXPECT_EQ(again.Trace().m_strHeaderText, doc->Trace().m_strHeaderText);
    EXPECT_EQ(again.Trace().m_fCurveBottom[1], -2.5f);
    EXPECT_EQ(again.Trace().m_fCurveTop[1], 1e-30f);
    for (int i = 0; i < 3; ++i) {
        const V a = Samples(again, i), b = Samples(*doc, i);
        ASSERT_EQ(a.size(), b.size());
        EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(float)), 0) << i;
    }
}

TEST(Csv, RangesComeFromTheFiniteValuesAndOddStepsAreSaid) {
    const Csv c("a,b\n1,\ninf,\n-1e400,\n3,\n");
    EXPECT_EQ(c.doc.Trace().m_fCurveBottom[0], 1);  // infinities leave the scale alone
    EXPECT_EQ(c.doc.Trace().m_fCurveTop[0], 3);
    EXPECT_EQ(c.doc.Trace().m_fCurveBottom[1], 0);  // no numbers at all: no range
    EXPECT_EQ(c.doc.Trace().m_fCurveTop[1], 0);
    const Csv fine("time [us],a\n0,1\n0.5,2\n1,3\n");  // a step of no whole unit
    EXPECT_EQ(fine.doc.Trace().m_nCurveCount, 1);
    EXPECT_EQ(fine.doc.Trace().m_dblStep, 500);
    EXPECT_EQ(fine.doc.Trace().m_strStepUnit, "ns");
    EXPECT_EQ(
        fine.messages.m_messages,
        std::vector<std::string>{"the step of 500 ns comes from the time column \"time [us]\"."});
    const Csv one("a\n1\n\"\"\n");
    EXPECT_EQ(one.messages.m_messages,
              std::vector<std::string>{"no time step found; samples are 1 s apart; 1 cell was "
                                       "empty or not a number and read as NaN."});
}

// Plain rows are read in place; quoted ones cell by cell. Both must give the same floats.
TEST(Csv, RowsReadInPlaceMatchRowsReadCellByCell) {
    std::mt19937 rng(8);
    std::string plain = "a,b,c\n", quoted = "a,b,c\n";
    const char* forms[] = {"{}", "{:e}", "{:.9g}", " {} ", "{:.0f}"};
    for (int r = 0; r < 2000; ++r) {
        for (int k = 0; k < 3; ++k) {
            const double v = std::ldexp(static_cast<double>(rng()) - 2147483648.0,
                                        static_cast<int>(rng() % 40) - 30);
            const std::string cell = fmt::format(fmt::runtime(forms[rng() % 5]), v);
            plain += (k > 0 ? "," : "") + cell;
            quoted += (k > 0 ? ",\"" : "\"") + cell + "\"";
        }
        plain += "\n";
        quoted += "\n";
    }
    const Csv fast(plain), slow(quoted);
    for (int i = 0; i < 3; ++i) {
        const V a = Samples(fast.doc, i), b = Samples(slow.doc, i);
        ASSERT_EQ(a.size(), 2000u);
        EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(float)), 0) << i;
    }
    EXPECT_EQ(fast.messages.m_messages, slow.messages.m_messages);
}

TEST(Csv, ASaveSaysFirstThatCurvesWithoutSamplesAreNotKept) {
    // A declared curve no row reached.
    auto doc = DocWithSamples({{1, 2}}, [](CTraceData& t) { t.m_nCurveCount = 2; });
    CTempDir temp;
    std::string asked;
    const YesNoQuestion previous = SetYesNoQuestion([&asked](const std::string& text) {
        asked = text;
        return false;
    });
    EXPECT_FALSE(doc->OnSaveDocument(temp.Path("out.csv")));
    SetYesNoQuestion(previous);
    EXPECT_EQ(asked,
              "A CSV file holds curves with samples only; 1 curve without samples will not be "
              "kept. Save anyway?");
    EXPECT_FALSE(std::filesystem::exists(temp.Path("out.csv")));
}

TEST(Csv, ATimeColumnAloneIsShownAndOneOfManyDigitsGivesAnExactStep) {
    const Csv alone("time\n0\n1\n2\n");
    ASSERT_EQ(alone.doc.Trace().m_nCurveCount, 1);  // not an empty trace
    EXPECT_EQ(Samples(alone.doc, 0), (V{0, 1, 2}));
    const Csv fine("t [s],a\n1000.000,1\n1000.001,2\n1000.002,3\n");  // needs a double
    EXPECT_EQ(fine.doc.Trace().m_dblStep, 1);
    EXPECT_EQ(fine.doc.Trace().m_strStepUnit, "ms");
}

// An empty trace's CSV holds only its step and the time column's name: it opens again, as an
// empty trace.
TEST(Csv, AnEmptyTraceSavedAsCsvOpensAgain) {
    CtesqDoc empty;
    empty.ResetTrace();
    CMemFile written;
    empty.WriteAs(TraceFormatId::csv, written);
    CMemFile reread(written.Bytes());
    CtesqDoc again;
    CMessageRecorder messages;
    ASSERT_TRUE(again.ReadAs(TraceFormatId::csv, reread));
    EXPECT_EQ(again.Trace().m_nCurveCount, 0);
    EXPECT_EQ(again.Trace().m_nSampleCount, 0);
}

// A unit the text format counts as seconds ("min", "days", "µs") is seconds in the CSV too: the
// trace opens again with the same duration.
TEST(Csv, AStepUnitTheTextFormatDoesNotKnowIsWrittenAsSeconds) {
    for (const char* unit : {"min", "days", "\xC2\xB5s", "usec"}) {
        const std::string text =
            std::string("FileType QDL-RV\nCurve a\nStep 2 ") + unit + "\n\n1\n2\n3\n4\n";
        auto doc = ReadTrace(text);
        ASSERT_EQ(doc->Trace().m_nSampleCount, 4) << unit;
        CMemFile written;
        doc->WriteAs(TraceFormatId::csv, written);
        CMemFile reread(written.Bytes());
        CtesqDoc again;
        CMessageRecorder messages;
        ASSERT_TRUE(again.ReadAs(TraceFormatId::csv, reread)) << unit;
        const CTraceData& t = again.Trace();
        EXPECT_EQ(t.m_dblStep * timebase::SecondsPer(t.m_strStepUnit), 2) << unit;
    }
}
