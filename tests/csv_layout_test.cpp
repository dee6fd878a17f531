// CSV and TSV files as instruments, loggers and sensor apps write them, each layout written
// inline the way such a file looks, and the one notice that says what was guessed.

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/support/OpenedCsv.h"
#include "tests/support/TraceFixtures.h"
#include "trace/document/Document.h"

namespace {

using V = std::vector<float>;

}  // namespace

TEST(CsvLayout, ScopePreambleBesideTheDataAndItsSampleInterval) {
    const Opened o(
        "Record Length,2.500000e+03,,   0.000000000000,   1.84000,\r\n"
        "Sample Interval,4.000000e-09,,   0.000000004000,   1.84000,\r\n"
        "Trigger Point,1.250000000000e+03,,   0.000000008000,   1.80000,\r\n"
        ",,,   0.000000012000,   1.76000,\r\n"
        ",,,   0.000000016000,   1.72000,\r\n");
    ASSERT_TRUE(o.ok);
    ASSERT_EQ(o.doc.Trace().m_nCurveCount, 1);  // the times are the time base, not a curve
    EXPECT_EQ(Samples(o.doc, 0), (V{1.84f, 1.84f, 1.80f, 1.76f, 1.72f}));
    EXPECT_EQ(o.doc.Trace().m_dblStep, 4);
    EXPECT_EQ(o.doc.Trace().m_strStepUnit, "ns");
    EXPECT_TRUE(HasItem(o.doc, "Record Length:2.500000e+03"));
    EXPECT_TRUE(HasItem(o.doc, "Sample Interval:4.000000e-09"));
    EXPECT_TRUE(o.Says("columns 0 to 2 beside the data hold 3 header items")) << o.Notice();
    EXPECT_TRUE(o.Says("the step of 4 ns comes from the preamble's \"Sample Interval\""))
        << o.Notice();
}

TEST(CsvLayout, StartAndIncrementCellsAreTheTimeBaseAndTheSequenceIsNoCurve) {
    const Opened o(
        "X,CH1,CH2,Start,Increment,\n"
        "Sequence,Volt,Volt,-3.5e-03,5.0e-06,\n"
        "0,1.20e-02,3.40e-01,\n"
        "1,1.30e-02,3.50e-01,\n"
        "2,1.40e-02,3.60e-01,\n");
    ASSERT_EQ(o.doc.Trace().m_nCurveCount, 2);
    EXPECT_EQ(o.doc.Trace().m_strCurveName[0], "CH1");
    EXPECT_EQ(o.doc.Trace().m_strCurveUnit[1], "Volt");
    EXPECT_EQ(Samples(o.doc, 1), (V{0.34f, 0.35f, 0.36f}));
    EXPECT_EQ(o.doc.Trace().m_dblStep, 5);
    EXPECT_EQ(o.doc.Trace().m_strStepUnit, "us");
    EXPECT_TRUE(HasItem(o.doc, "Start:-3.5e-03"));
    EXPECT_TRUE(o.Says("column \"X\" counts the samples")) << o.Notice();
    EXPECT_TRUE(o.Says("the units come from the row under the names")) << o.Notice();
    EXPECT_TRUE(o.Says("the cell under \"Increment\"")) << o.Notice();
}

TEST(CsvLayout, PreambleLinesAUnitsRowAndASampleRate) {
    const Opened o(
        "Model,DSO1234\n"
        "Sample Rate,5.0E+08\n"
        "\"Time\",\"Channel A\",\"Channel B\"\n"
        "\"(us)\",\"(V)\",\"(V)\"\n"
        "\n"
        "0.000,0.1,0.2\n"
        "0.002,0.1,0.3\n"
        "0.004,0.2,0.3\n");
    ASSERT_EQ(o.doc.Trace().m_nCurveCount, 2);
    EXPECT_EQ(o.doc.Trace().m_strCurveName[0], "Channel A");
    EXPECT_EQ(o.doc.Trace().m_strCurveUnit[0], "V");
    EXPECT_EQ(o.doc.Trace().m_dblStep, 2);  // the reciprocal of 500 MS/s
    EXPECT_EQ(o.doc.Trace().m_strStepUnit, "ns");
    EXPECT_TRUE(HasItem(o.doc, "Model:DSO1234"));
    EXPECT_TRUE(o.Says("2 lines above the table became header items")) << o.Notice();
    EXPECT_EQ(o.doc.Trace().m_nSampleCount, 3);
}

TEST(CsvLayout, A150HertzLoggerWithDecimalCommasInLatin1) {
    const Opened o(
        "Zeit;Temperatur [\xB0"
        "C];Feuchte [%]\r\n"
        "0,000000;21,5;45,2\r\n0,006667;21,6;45,1\r\n0,013333;21,5;45,0\r\n0,020000;21,4;44,9\r\n");
    ASSERT_EQ(o.doc.Trace().m_nCurveCount, 2);
    EXPECT_EQ(o.doc.Trace().m_strCurveUnit[0],
              "\xC2\xB0"
              "C");
    EXPECT_EQ(Samples(o.doc, 1), (V{45.2f, 45.1f, 45.0f, 44.9f}));
    EXPECT_EQ(o.doc.Trace().m_strStepUnit, "ms");
    EXPECT_NEAR(o.doc.Trace().m_dblStep, 1000.0 / 150, 1e-9);
    EXPECT_TRUE(o.Says("read as Latin-1")) << o.Notice();
    EXPECT_TRUE(o.Says("separated by ';' with ',' as the decimal mark")) << o.Notice();
    // Without a header, an evenly spaced first column is the time by its values alone.
    const Opened bare("0.0,1\n0.5,4\n1.0,9\n1.5,16\n");
    ASSERT_EQ(bare.doc.Trace().m_nCurveCount, 1);
    EXPECT_EQ(bare.doc.Trace().m_dblStep, 500);
    EXPECT_EQ(bare.doc.Trace().m_strStepUnit, "ms");
    EXPECT_TRUE(bare.Says("column \"column 0\" is evenly spaced and was taken as the time"))
        << bare.Notice();
    EXPECT_TRUE(o.Says("was taken to count seconds, as it names no unit")) << o.Notice();
}

TEST(CsvLayout, TimeStampsGiveTheStepWhenEvenAndAreLeftOutWhenNot) {
    const Opened even(
        "time,seconds_elapsed,z\n"
        "2020-10-28 20:17:45,0,1\n2020-10-28 20:17:46,1,2\n2020-10-28T20:17:47,2,3\n");
    ASSERT_EQ(even.doc.Trace().m_nCurveCount, 2);
    EXPECT_EQ(even.doc.Trace().m_strCurveName[0], "seconds_elapsed");
    EXPECT_EQ(even.doc.Trace().m_dblStep, 1);
    EXPECT_EQ(even.doc.Trace().m_strStepUnit, "s");
    const Opened uneven(
        "time,z\n2020-10-28 20:17:45.000,1\n2020-10-28 20:17:45.010,2\n"
        "2020-10-28 20:17:45.030,3\n");
    ASSERT_EQ(uneven.doc.Trace().m_nCurveCount, 1);  // never an all-NaN curve
    EXPECT_EQ(uneven.doc.Trace().m_strCurveName[0], "z");
    EXPECT_TRUE(
        uneven.Says("the time stamps of \"time\" are not evenly spaced (its steps run "
                    "from 10 to 20 ms); they were left out"))
        << uneven.Notice();
}

TEST(CsvLayout, IndexColumnsAreNoCurvesButACounterNamedOtherwiseIs) {
    const Opened unnamed(",a\n0,5\n1,6\n2,7\n");
    ASSERT_EQ(unnamed.doc.Trace().m_nCurveCount, 1);
    EXPECT_EQ(Samples(unnamed.doc, 0), (V{5, 6, 7}));
    EXPECT_EQ(Opened("No.,a\n1,5\n2,6\n3,7\n").doc.Trace().m_nCurveCount, 1);
    EXPECT_EQ(Opened("Counter,a\n1,5\n2,6\n3,7\n").doc.Trace().m_nCurveCount, 2);
    EXPECT_EQ(Opened("0,1\n1,2\n2,3\n").doc.Trace().m_nCurveCount, 2);  // all the file holds
}

TEST(CsvLayout, TheWidestRowCountsAndTrailingSeparatorsAddNothing) {
    const Opened narrowFirst("a,b\n1\n2,3\n4,5\n");  // the second channel starts late
    ASSERT_EQ(narrowFirst.doc.Trace().m_nCurveCount, 2);
    EXPECT_TRUE(std::isnan(Samples(narrowFirst.doc, 1).at(0)));
    const Opened trailing("a,b,\n1,2,\n3,4,\n5,6,\n");
    EXPECT_EQ(trailing.doc.Trace().m_nCurveCount, 2);
    EXPECT_EQ(trailing.Notice(), "no time step found; samples are 1 s apart.");
    const Opened wider("a,b\n1,2\n3,4,5\n6,7\n");  // a third channel without a name
    EXPECT_EQ(wider.doc.Trace().m_nCurveCount, 3);
    EXPECT_TRUE(wider.Says("columns 2 to 2 have no name")) << wider.Notice();
    // Past the head, a row wider than the table has no column for its extra cells.
    std::string body = "a,b\n";
    while (body.size() < 70000) body += "1,2\n";
    const Opened late(body + "3,4,5,6\n");
    EXPECT_EQ(late.doc.Trace().m_nCurveCount, 2);
    EXPECT_TRUE(late.Says("2 cells past the table's 2 columns were dropped")) << late.Notice();
}

TEST(CsvLayout, NamesLoseTheirQuotesAndTheirUnits) {
    const Opened o("'a',\"P/kW\",U (V),P(t) [W],\"Phase, A\"\n1,2,3,4,5\n6,7,8,9,10\n");
    ASSERT_EQ(o.doc.Trace().m_nCurveCount, 5);
    EXPECT_EQ(o.doc.Trace().m_strCurveName[0], "a");
    EXPECT_EQ(o.doc.Trace().m_strCurveName[1], "P");
    EXPECT_EQ(o.doc.Trace().m_strCurveUnit[1], "kW");
    EXPECT_EQ(o.doc.Trace().m_strCurveUnit[2], "V");
    EXPECT_EQ(o.doc.Trace().m_strCurveName[3], "P(t)");  // the unit from the last brackets
    EXPECT_EQ(o.doc.Trace().m_strCurveUnit[3], "W");
    EXPECT_EQ(o.doc.Trace().m_strCurveName[4], "Phase, A");
}

TEST(CsvLayout, QuotesLineEndsAndTinyFiles) {
    const Opened quoted(
        "a,\"b;c\",d\n1,\"2;3\",4\n5,6,7\n");  // ';' inside quotes separates nothing
    ASSERT_EQ(quoted.doc.Trace().m_nCurveCount, 3);
    EXPECT_EQ(Samples(quoted.doc, 0), (V{1, 5}));
    EXPECT_EQ(quoted.doc.Trace().m_strCurveName[1], "b;c");
    const Opened brokenName("\"Volt\nage\",b\n1,2\n3,4\n5,6\n");  // a line feed inside a name
    ASSERT_EQ(brokenName.doc.Trace().m_nCurveCount, 2);
    EXPECT_EQ(brokenName.doc.Trace().m_strCurveName[0], "Volt\nage");
    EXPECT_EQ(Samples(brokenName.doc, 1), (V{2, 4, 6}));
    const Opened crOnly("a,b\r1,2\r3,4\r5,6\r");
    EXPECT_EQ(Samples(crOnly.doc, 1), (V{2, 4, 6}));
    EXPECT_TRUE(crOnly.Says("its lines end in a carriage return alone")) << crOnly.Notice();
    const Opened bom(
        "\xEF\xBB\xBF"
        "a\n1\n2\n");
    EXPECT_EQ(bom.doc.Trace().m_strCurveName[0], "a");
    const Opened five("5\n");
    EXPECT_EQ(Samples(five.doc, 0), (V{5}));
}

TEST(CsvLayout, MoreThanEightColumnsAreChosenByNameOrNumber) {
    std::string text = "t,c1,c2,c3,c4,c5,c6,c7,c8,c9,c10\n";
    for (int r = 0; r < 3; ++r) text += std::to_string(r) + ",1,2,3,4,5,6,7,8,9,10\n";
    const Opened chosen(text, {"c10", "2", "c1"});
    ASSERT_EQ(chosen.doc.Trace().m_nCurveCount, 3);
    EXPECT_EQ(chosen.doc.Trace().m_strCurveName[0], "c10");
    EXPECT_EQ(chosen.doc.Trace().m_strCurveName[1], "c2");  // column 2 of the file
    EXPECT_TRUE(chosen.Says("\"c3\", \"c4\"")) << chosen.Notice();
    const Opened missing(text, {"c11"});
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.Notice(), "The file has no curve column \"c11\".");
}

TEST(CsvLayout, AFileWithNoTableIsRefusedAndSaysWhy) {
    const Opened prose("Dear reader,\nthis is a letter.\nRegards\n");
    EXPECT_FALSE(prose.ok);
    EXPECT_EQ(prose.Notice(),
              "The file could not be read as a table: it holds no rows of numbers that make out "
              "a table.");
}

TEST(CsvLayout, RowsOfNothingButSeparatorsAreNoRows) {
    const Opened gap("a,b\n1,2\n,,,,\n3,4\n;;\n");
    EXPECT_EQ(Samples(gap.doc, 1), (V{2, 4}));
    const Opened only(std::string(1 << 20, ',') + "\n");  // a megabyte of commas names nothing
    EXPECT_EQ(only.doc.Trace().m_nCurveCount, 0);
    EXPECT_EQ(only.doc.Trace().m_nSampleCount, 0);
}

// One stray quote, early or late: the rows after it are still rows, and the notice says where
// the quote was.
TEST(CsvLayout, AQuoteNothingClosesIsNoQuote) {
    for (const int at : {2, 5000}) {
        std::string text = "t,a,b\n";
        for (int r = 0; r < 6000; ++r)
            text += std::to_string(r) + (r == at ? ",\"" : ",") + std::to_string(r % 7) + "," +
                    std::to_string(r % 5) + "\n";
        const Opened stray(text);
        ASSERT_EQ(stray.doc.Trace().m_nCurveCount, 2) << at;
        EXPECT_EQ(stray.doc.Trace().m_nSampleCount, 6000) << at;
        EXPECT_EQ(Samples(stray.doc, 0).at(static_cast<std::size_t>(at)),
                  static_cast<float>(at % 7));
        EXPECT_EQ(Samples(stray.doc, 1).back(), 5999 % 5);
        EXPECT_TRUE(stray.Says("the double quote on line " + std::to_string(at + 2) +
                               " opens no quoted cell (nothing closes it within 64 lines) and "
                               "was read as no quote"))
            << stray.Notice();
    }
    // A quote at the very end, with fewer lines after it than the bound.
    const Opened last("a,b\n1,2\n3,\"4\n");
    EXPECT_EQ(Samples(last.doc, 1), (V{2, 4}));
}

// A column of words beside the numbers, first or last, is left out and said; the numbers
// are the curves.
TEST(CsvLayout, AColumnOfWordsIsLeftOutAndTheNumbersAreCurves) {
    const Opened status("Status,U,I\nOK,1,2\nOK,3,4\nFAIL,5,6\n");
    ASSERT_EQ(status.doc.Trace().m_nCurveCount, 2);
    EXPECT_EQ(status.doc.Trace().m_strCurveName[0], "U");
    EXPECT_EQ(Samples(status.doc, 1), (V{2, 4, 6}));
    EXPECT_TRUE(status.Says("column \"Status\" holds words, not numbers, and was left out"))
        << status.Notice();
    const Opened labels("label,value\nalpha,1.5\nbeta,2.5\n");
    ASSERT_EQ(labels.doc.Trace().m_nCurveCount, 1);
    EXPECT_EQ(Samples(labels.doc, 0), (V{1.5f, 2.5f}));
    const Opened state("t,v,state\n0,1,on\n1,2,off\n2,3,on\n");
    ASSERT_EQ(state.doc.Trace().m_nCurveCount, 1);
    EXPECT_EQ(state.doc.Trace().m_strCurveName[0], "v");
    EXPECT_EQ(state.doc.Trace().m_dblStep, 1);
    // A preamble line with a number above such a table stays a header item.
    const Opened keyed("Sample Interval,0.5\nName,U\nS1,1\nS2,2\nS3,3\n");
    ASSERT_EQ(keyed.doc.Trace().m_nCurveCount, 1);
    EXPECT_EQ(Samples(keyed.doc, 0), (V{1, 2, 3}));
    EXPECT_EQ(keyed.doc.Trace().m_dblStep, 500);
    EXPECT_EQ(keyed.doc.Trace().m_strStepUnit, "ms");
}

// A preamble longer than the head the layout is first made out from: the table after it.
TEST(CsvLayout, APreambleOfThousandsOfLinesIsReadPast) {
    std::string text;
    for (int k = 0; k < 3000; ++k) text += "# comment line " + std::to_string(k) + ", more words\n";
    text += "t,a\n0,1\n0.5,2\n1,3\n";
    const Opened long_(text);
    ASSERT_EQ(long_.doc.Trace().m_nCurveCount, 1);
    EXPECT_EQ(long_.doc.Trace().m_strCurveName[0], "a");
    EXPECT_EQ(Samples(long_.doc, 0), (V{1, 2, 3}));
    // Megabytes of words and no numbers: refused with the reason.
    std::string words;
    while (words.size() < (std::size_t{5} << 20)) words += "nothing, but words here\n";
    const Opened none(words + "1,2\n");
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.Notice(),
              "The file could not be read as a table: its first 4 MiB hold no rows of numbers.");
}

// The guards of the time column: an uneven one shown as a curve pushes the ninth column out
// and names it; stamps a millisecond or two off their step are uneven and said so; a day
// the calendar does not have is no time stamp.
TEST(CsvLayout, TheTimeColumnsGuards) {
    const Opened nine(
        "time,a,b,c,d,e,f,g,h\n0,1,2,3,4,5,6,7,8\n1,1,2,3,4,5,6,7,8\n"
        "3,1,2,3,4,5,6,7,8\n4,1,2,3,4,5,6,7,8\n");
    ASSERT_EQ(nine.doc.Trace().m_nCurveCount, 8);
    EXPECT_EQ(nine.doc.Trace().m_strCurveName[0], "time");
    EXPECT_EQ(nine.doc.Trace().m_strCurveName[7], "g");
    EXPECT_TRUE(nine.Says("a trace holds 8 curves at most: \"h\" was left out")) << nine.Notice();
    const Opened stamps(
        "when,v\n2024-05-01 10:00:45.100,1\n2024-05-01 10:00:45.200,2\n"
        "2024-05-01 10:00:45.302,3\n2024-05-01 10:00:45.400,4\n"
        "2024-05-01 10:00:45.500,5\n");
    ASSERT_EQ(stamps.doc.Trace().m_nCurveCount, 1);
    EXPECT_TRUE(stamps.Says("the time stamps of \"when\" are not evenly spaced"))
        << stamps.Notice();
    const Opened noDay("when,v\n2021-02-28 10:00:00,1\n2021-02-30 10:00:00,2\n");
    EXPECT_FALSE(noDay.Says("holds time stamps")) << noDay.Notice();
}

// Names the legend and --curves can tell apart: a blank header cell is its column, a name
// met again gets its count; a curve without a name saved as CSV comes back whole.
TEST(CsvLayout, NamesTellCurvesApart) {
    const Opened blank("t,,x,x\n0,1,2,3\n1,4,5,6\n");
    ASSERT_EQ(blank.doc.Trace().m_nCurveCount, 3);
    EXPECT_EQ(blank.doc.Trace().m_strCurveName[0], "column 1");
    EXPECT_EQ(blank.doc.Trace().m_strCurveName[1], "x");
    EXPECT_EQ(blank.doc.Trace().m_strCurveName[2], "x (2)");
    const Opened second("t,,x,x\n0,1,2,3\n1,4,5,6\n", {"x (2)"});
    ASSERT_EQ(second.doc.Trace().m_nCurveCount, 1);
    EXPECT_EQ(Samples(second.doc, 0), (V{3, 6}));

    const float nan = std::nanf("");
    CMemFile written;
    DocWithSamples({{1, 2}, {nan, nan}})->WriteAs(TraceFormatId::csv, written);
    CMemFile reread(written.Bytes());
    CtesqDoc again;
    CMessageRecorder messages;
    ASSERT_TRUE(again.ReadAs(TraceFormatId::csv, reread));
    ASSERT_EQ(again.Trace().m_nCurveCount, 2);
    EXPECT_TRUE(std::isnan(Samples(again, 1).at(1)));
}

// Times as instruments print them are even when every step lies within a ten-thousandth of
// the mean step, whatever digits print them; uneven ones say their real smallest and largest
// steps, in a unit that shows them.
TEST(CsvLayout, TimeColumnsAsInstrumentsPrintThem) {
    const auto table = [](const char* head, int rows, const auto& time) {
        std::string text = std::string(head) + "\n";
        for (int i = 0; i < rows; ++i) text += time(i) + "," + std::to_string(i % 7) + "\n";
        return text;
    };
    const Opened scientific(
        table("Time (s),A", 200, [](int i) { return fmt::format("{:.9E}", i / 48000.0); }));
    ASSERT_EQ(scientific.doc.Trace().m_nCurveCount, 1);
    EXPECT_NEAR(scientific.doc.Trace().m_dblStep, 20.8333333, 1e-6);
    EXPECT_EQ(scientific.doc.Trace().m_strStepUnit, "us");
    const Opened float32(table("t,A", 300, [](int i) {  // float arithmetic, 8 digits
        return fmt::format("{:.7e}", static_cast<float>(-6e-6f + static_cast<float>(i) * 2e-8f));
    }));
    ASSERT_EQ(float32.doc.Trace().m_nCurveCount, 1);
    EXPECT_NEAR(float32.doc.Trace().m_dblStep, 20, 1e-6);
    EXPECT_EQ(float32.doc.Trace().m_strStepUnit, "ns");
    const Opened noisy(table("time,A", 300, [](int i) {  // noise in the 17th digit
        return fmt::format("{:.17g}", 0.1 * i + (i % 3) * 1e-16 * i);
    }));
    EXPECT_EQ(noisy.doc.Trace().m_nCurveCount, 1);
    const Opened mixed(table("time,A", 40, [](int i) {  // 6 and 10 decimals
        return i % 2 ? fmt::format("{:.6f}", i / 150.0) : fmt::format("{:.10f}", i / 150.0);
    }));
    EXPECT_EQ(mixed.doc.Trace().m_nCurveCount, 1);
    EXPECT_TRUE(mixed.Says("the step of 6.66666666667 ms comes from the time column \"time\""))
        << mixed.Notice();

    const Opened uneven("t,a\n0,1\n0.002,2\n0.007,3\n");
    EXPECT_TRUE(uneven.Says("its steps run from 2 to 5 ms")) << uneven.Notice();
    const Opened gaps("t,a\n0,1\nx,2\n0.004,3\n0.006,4\n");
    EXPECT_TRUE(gaps.Says("(some of its cells hold no time)")) << gaps.Notice();
    EXPECT_TRUE(gaps.Says("no time step found; samples are 1 s apart")) << gaps.Notice();
}

// A preamble written as comments is a preamble: a stated rate or interval gives the step.
TEST(CsvLayout, PreambleItemsWrittenAsComments) {
    const Opened hash("#Sample rate: 160000Hz\n#Device: logger 2\nch1,ch2\n1,2\n3,4\n");
    EXPECT_NEAR(hash.doc.Trace().m_dblStep, 6.25, 1e-9);
    EXPECT_EQ(hash.doc.Trace().m_strStepUnit, "us");
    EXPECT_TRUE(HasItem(hash.doc, "Device:logger 2")) << hash.doc.Trace().m_strHeaderText;
    const Opened spaced("# Sample Interval = 2e-6\nU\n1\n2\n3\n");
    EXPECT_EQ(spaced.doc.Trace().m_dblStep, 2);
    EXPECT_EQ(spaced.doc.Trace().m_strStepUnit, "us");
    const Opened percent("% Sampling Period: 0.5 ms\nU;I\n1;2\n3;4\n");
    EXPECT_EQ(percent.doc.Trace().m_dblStep, 500);
    EXPECT_EQ(percent.doc.Trace().m_strStepUnit, "us");
    const Opened semicolon("; Sample rate = 1 kHz\nU;I\n1;2\n3;4\n");
    EXPECT_EQ(semicolon.doc.Trace().m_dblStep, 1);
    EXPECT_EQ(semicolon.doc.Trace().m_strStepUnit, "ms");
}

// Cells as spreadsheets and loggers write them: hexadecimal numbers; an empty file says it
// holds nothing; --curves holds to its list even past an uneven time column.
TEST(CsvLayout, HexCellsEmptyFilesAndCurvesAsListed) {
    const Opened hex("reg,value\n1,0xFF\n2,0x1A\n3,-0x10\n");
    EXPECT_EQ(Samples(hex.doc, 1), (V{255, 26, -16}));
    for (const char* nothing : {"", "\n\n  \n"}) {
        const Opened empty(nothing);
        EXPECT_TRUE(empty.ok);
        EXPECT_EQ(empty.doc.Trace().m_nSampleCount, 0);
        EXPECT_TRUE(empty.Says("it holds no samples")) << empty.Notice();
    }
    const Opened listed("Time (s),A,B\n0,1,2\n1,3,4\n3,5,6\n", {"B"});
    ASSERT_EQ(listed.doc.Trace().m_nCurveCount, 1);
    EXPECT_EQ(listed.doc.Trace().m_strCurveName[0], "B");
    EXPECT_TRUE(listed.Says("is not evenly spaced and not among the curves chosen"))
        << listed.Notice();
}

TEST(CsvLayout, NamesAndUnitsTheHeaderGives) {
    // Channels named by their numbers, over a row of units.
    const Opened numbered(
        "x-axis,1,2\nsecond,Volt,Volt\n-1.0e-03,0.1,0.2\n-0.9e-03,0.1,0.3\n-0.8e-03,0.2,0.2\n");
    ASSERT_EQ(numbered.doc.Trace().m_nCurveCount, 2);
    EXPECT_EQ(numbered.doc.Trace().m_strCurveName[1], "2");
    EXPECT_EQ(numbered.doc.Trace().m_strCurveUnit[1], "Volt");
    EXPECT_EQ(numbered.doc.Trace().m_dblStep, 100);
    EXPECT_TRUE(numbered.doc.Trace().m_strHeaderText.empty());
    // One channel's export: the preamble names the curve its column does not.
    const Opened sourced(
        "Record Length,3\nSample Interval,1e-6\nSource,CH2\nVertical Units,V\n"
        "TIME,Waveform Data\n0,1\n1e-6,2\n2e-6,3\n");
    ASSERT_EQ(sourced.doc.Trace().m_nCurveCount, 1);
    EXPECT_EQ(sourced.doc.Trace().m_strCurveName[0], "CH2");
    EXPECT_EQ(sourced.doc.Trace().m_strCurveUnit[0], "V");
    EXPECT_TRUE(sourced.Says("the curve \"CH2 [V]\" is named by the preamble")) << sourced.Notice();
    // A name of its own stays.
    EXPECT_EQ(Opened("Source,CH2\nTIME,Ampl\n0,1\n1,2\n2,3\n").doc.Trace().m_strCurveName[0],
              "Ampl");
    // "in" before a unit word gives the unit; before any other word it is part of the name.
    const Opened in("Time in s,C1 in V,Temperature in hall\n0,1,2\n0.5,2,3\n1,3,4\n");
    ASSERT_EQ(in.doc.Trace().m_nCurveCount, 2);
    EXPECT_EQ(in.doc.Trace().m_strCurveName[0], "C1");
    EXPECT_EQ(in.doc.Trace().m_strCurveUnit[0], "V");
    EXPECT_EQ(in.doc.Trace().m_strCurveName[1], "Temperature in hall");
    EXPECT_EQ(in.doc.Trace().m_dblStep, 500);
}
