// The text trace reader: header table, end of header, tokens, rows, line ends, ranges.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <stdexcept>
#include <thread>

#include "framework/core/File.h"
#include "framework/core/MessageSink.h"
#include "framework/core/NumberText.h"
#include "tests/support/MemFile.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TraceFixtures.h"
#include "trace/formats/io/ChunkedRead.h"
#include "trace/formats/text/FormatTextParser.h"
#include "trace/formats/text/FormatTextTokens.h"

using V = std::vector<float>;

namespace {

const std::string kPad = "        ";  // closes every header text item

// Where the storing pass ends on one thread: the lines handed over and the parse state.
std::pair<int, int> ParserEnd(const std::string& bytes) {
    CTraceData trace;
    CMemFile file(bytes.data(), bytes.size());
    CTextTraceParser parser(trace);
    parser.ReadTraceLines(file, true, 16);
    return {parser.LineNo(), parser.ParseState()};
}

// A parser past a header, in the data rows.
void ToDataRows(CTextTraceParser& parser) {
    for (const char* line : {"FileType QDL-RV", "Curve a", ""}) parser.ParseLine(line, false, 0, 0);
}

}  // namespace

TEST(TextReader, ReadsTheWorkedExample) {
    auto doc = ReadTrace(
        "Recorder export\n"
        "FileType QDL-RV\n"
        "DateTime 2025-03-31 12:34:56\n"
        "Station North Hall\n"
        "Curve U1 V -10 10\n"
        "Curve I1 A 0 0\n"
        "Step 20 us\n"
        "\n"
        "1.5 0.25\n"
        "2.0,0.5\n");
    EXPECT_EQ(doc->Trace().m_nCurveCount, 2);
    EXPECT_EQ(doc->Trace().m_nSampleCount, 2);
    EXPECT_EQ(doc->Trace().m_dblStep, 20);
    EXPECT_EQ(doc->Trace().m_strStepUnit, "us");
    EXPECT_EQ(doc->Trace().m_strCurveName[0], "U1");
    EXPECT_EQ(doc->Trace().m_strCurveUnit[1], "A");
    EXPECT_EQ(doc->Trace().m_fCurveBottom[0], -10.0f);
    EXPECT_EQ(doc->Trace().m_fCurveTop[0], 10.0f);
    EXPECT_EQ(doc->Trace().m_fCurveBottom[1], 0.25f);
    EXPECT_EQ(doc->Trace().m_fCurveTop[1], 0.5f);
    EXPECT_EQ(doc->Trace().m_strHeaderText,
              "DateTime:2025-03-31 12:34:56" + kPad + "Station:North" + kPad);
    EXPECT_EQ(Samples(*doc, 0), (V{1.5f, 2.0f}));
    EXPECT_EQ(Samples(*doc, 1), (V{0.25f, 0.5f}));
    EXPECT_FALSE(doc->Trace().m_pSamples[2]);
}

TEST(TextReader, FileTypeLineAcceptsAnySeparatorButExactCase) {
    for (const char* sep : {":", ",", ";", "\t", "  "})
        EXPECT_EQ(ReadTrace(std::string("FileType") + sep + "QDL-RV\nCurve a\n\n1\n")
                      ->Trace()
                      .m_nSampleCount,
                  1)
            << sep;
    auto lower = ReadTrace("filetype QDL-RV\nCurve a\n\n1\n");
    EXPECT_EQ(lower->Trace().m_nCurveCount, 0);
    EXPECT_EQ(lower->Trace().m_nSampleCount, 0);
    EXPECT_EQ(lower->Trace().m_strHeaderText, "");
}

TEST(TextReader, HeaderLinesFillTheTable) {
    auto doc = ReadTrace(
        "FileType QDL-RV\n"
        "DateTime 2025-03-31\n"
        "Title Foo Bar\n"
        "Step 0 us\n");
    // No curve was declared, so the empty final line is an other line too.
    EXPECT_EQ(doc->Trace().m_strHeaderText,
              "DateTime:2025-03-31 ::" + kPad + "Title:Foo" + kPad + ":" + kPad);
    EXPECT_EQ(doc->Trace().m_dblStep, 1);
    EXPECT_EQ(ReadTrace("FileType QDL-RV\nStep 2.5 s\n")->Trace().m_dblStep, 2.5);
    EXPECT_EQ(ReadTrace("FileType QDL-RV\nStep -3\n")->Trace().m_dblStep, -3);
    EXPECT_EQ(ReadTrace("FileType QDL-RV\nStep 5\n")->Trace().m_strStepUnit, "");
}

TEST(TextReader, NinthCurveLineIsAnOtherLine) {
    std::string text = "FileType QDL-RV\n";
    for (int i = 0; i < 9; ++i) text += "Curve c" + std::to_string(i) + " V 0 1\n";
    auto doc = ReadTrace(text);
    EXPECT_EQ(doc->Trace().m_nCurveCount, 8);
    EXPECT_EQ(doc->Trace().m_strCurveName[7], "c7");
    EXPECT_EQ(doc->Trace().m_strHeaderText, "Curve:c8" + kPad);
}

TEST(TextReader, OnlyAnEmptyLineAfterACurveEndsTheHeader) {
    // Before any Curve line the empty line is an other line; blank lines never end the header.
    auto doc = ReadTrace("FileType QDL-RV\n\nCurve a V 0 1\n \nX 1\n\n1\n2\n");
    EXPECT_EQ(doc->Trace().m_strHeaderText, ":" + kPad + ":" + kPad + "X:1" + kPad);
    EXPECT_EQ(doc->Trace().m_nSampleCount, 2);
}

TEST(TextReader, WithoutACurveLineEverythingIsHeader) {
    auto doc = ReadTrace("FileType QDL-RV\nA 1\n\n1 2\n");
    EXPECT_EQ(doc->Trace().m_nCurveCount, 0);
    EXPECT_EQ(doc->Trace().m_nSampleCount, 0);
    // The final empty line after the last line feed is a header line too.
    EXPECT_EQ(doc->Trace().m_strHeaderText, "A:1" + kPad + ":" + kPad + "1:2" + kPad + ":" + kPad);
}

TEST(TextReader, RowsSplitOnEverySeparator) {
    auto doc = ReadTrace("FileType QDL-RV\nCurve a\n\n1,2;3:4\t5\n1 2 3 4 5 6 7 8 9 10\n");
    EXPECT_EQ(doc->Trace().m_nCurveCount, 8);
    EXPECT_EQ(Samples(*doc, 4), (V{5, 5}));
    EXPECT_EQ(Samples(*doc, 7), (V{0, 8}));  // the first row leaves curve 7 unwritten
    EXPECT_EQ(doc->Trace().m_strCurveName[1], "");
}

TEST(TextReader, LongSeparatorRunsLeaveEmptyTokensThatTakeTheNextNumber) {
    // 8 separators collapse to one space; 9 leave two, cutting an empty token.
    auto doc = ReadTrace("FileType QDL-RV\nCurve a\n\n1,,,,,,,,2\n1,,,,,,,,,2\n");
    EXPECT_EQ(doc->Trace().m_nCurveCount, 3);
    EXPECT_EQ(Samples(*doc, 0), (V{1, 1}));
    EXPECT_EQ(Samples(*doc, 1), (V{2, 2}));
    EXPECT_EQ(Samples(*doc, 2), (V{0, 2}));
}

TEST(TextReader, TokensThatAreNotNumbersReadAsZeroAndBlankRowsAreSkipped) {
    // "inf" and "nan" are numbers, as the C library reads them.
    auto doc = ReadTrace("FileType QDL-RV\nCurve a\n\n  \n7abc x -.5e1\n,;:\t\n0x10 inf nan\n");
    EXPECT_EQ(doc->Trace().m_nSampleCount, 2);
    EXPECT_EQ(Samples(*doc, 0), (V{7, 0}));
    EXPECT_EQ(Samples(*doc, 1), (V{0, std::numeric_limits<float>::infinity()}));
    EXPECT_EQ(Samples(*doc, 2).at(0), -5);
    EXPECT_TRUE(std::isnan(Samples(*doc, 2).at(1)));
}

TEST(TextReader, LineEndsAndStrayBytes) {
    const std::string header = "FileType QDL-RV\r\nCurve a V 0 9\r\n\r\n";
    auto crlf = ReadTrace(header + "1\r\n2\r\n");
    EXPECT_EQ(ParserEnd(header + "1\r\n2\r\n").second, 2);
    EXPECT_EQ(Samples(*crlf, 0), (V{1, 2}));
    // A CR or NUL ends the line's text; the rest up to the line feed is ignored.
    auto cut = ReadTrace(header + "1\r 5 6\n2" + std::string(1, '\0') + " 7\n");
    EXPECT_EQ(cut->Trace().m_nCurveCount, 1);
    EXPECT_EQ(Samples(*cut, 0), (V{1, 2}));
    // The last row needs no line feed; a final line feed hands over one more empty line.
    auto noEnd = ReadTrace("FileType QDL-RV\nCurve a\n\n1\n2");
    EXPECT_EQ(noEnd->Trace().m_nSampleCount, 2);
    EXPECT_EQ(ParserEnd("FileType QDL-RV\nCurve a\n\n1\n2").first, 5);
    EXPECT_EQ(ParserEnd("FileType QDL-RV\nCurve a\n\n1\n2\n").first, 6);
}

TEST(TextReader, DegenerateRangesAreCompletedFromTheData) {
    auto doc = ReadTrace(
        "FileType QDL-RV\nCurve a x 5 5\nCurve b x -1 1\nCurve c x 3 1\nCurve d x 0 0.00005\n"
        "Curve e x 0 0\n\n"
        "2 0 2 2\n-4 9 -4 -4\n");
    EXPECT_EQ(doc->Trace().m_fCurveBottom[0], -4.0f);
    EXPECT_EQ(doc->Trace().m_fCurveTop[0], 2.0f);
    EXPECT_EQ(doc->Trace().m_fCurveBottom[1], -1.0f);
    EXPECT_EQ(doc->Trace().m_fCurveTop[1], 1.0f);
    EXPECT_EQ(doc->Trace().m_fCurveTop[2], 2.0f);
    EXPECT_EQ(doc->Trace().m_fCurveBottom[3], -4.0f);
    // A declared curve that no row reaches keeps its header range.
    EXPECT_FALSE(doc->Trace().m_pSamples[4]);
    EXPECT_EQ(doc->Trace().m_fCurveTop[4], 0.0f);
}

TEST(TextReader, LinesLongerThanABlockArriveWhole) {
    const std::string note(300000, 'x');
    auto doc = ReadTrace("FileType QDL-RV\nNote " + note + "\nCurve a\n\n" +
                         std::string(200000, ' ') + "42\n");
    EXPECT_EQ(doc->Trace().m_strHeaderText, "Note:" + note + kPad);
    EXPECT_EQ(Samples(*doc, 0), (V{42}));
}

TEST(TextReader, ByteOrderMarkIsNotPartOfTheFirstLine) {
    auto doc = ReadTrace(
        "\xEF\xBB\xBF"
        "FileType QDL-RV\nCurve a\n\n1\n");
    EXPECT_EQ(doc->Trace().m_nSampleCount, 1);
}

TEST(TextReader, IllFormedUtf8BecomesReplacementCharacters) {
    auto doc = ReadTrace("FileType QDL-RV\nCurve \xC3\xA9t\xFF V\n\n1\n");
    EXPECT_EQ(doc->Trace().m_strCurveName[0], "\xC3\xA9t\xEF\xBF\xBD");
}

TEST(TextReader, MoreRowsThanTheCountHoldsRefuseTheFile) {
    CTraceData trace;
    CTextTraceParser parser(trace);
    ToDataRows(parser);
    trace.m_nSampleCount = INT_MAX - 1;
    parser.ParseLine("1", false, 0, 0);
    EXPECT_EQ(trace.m_nSampleCount, INT_MAX);
    EXPECT_FALSE(parser.TooManyRows());
    parser.ParseLine("1", false, 0, 0);
    EXPECT_EQ(trace.m_nSampleCount, INT_MAX);  // no wrap to negative
    EXPECT_TRUE(parser.TooManyRows());
}

TEST(TextReader, StoringPassNeverWritesPastTheCountedCapacity) {
    CTraceData trace;
    CTextTraceParser parser(trace);
    ToDataRows(parser);
    parser.ParseLine("1 2", true, 1, 0);
    parser.ParseLine("3 4", true, 1, 0);  // a row the counting pass did not see
    EXPECT_EQ(trace.m_nSampleCount, 1);
    EXPECT_EQ(trace.m_pSamples[1][0], 2.0f);
    EXPECT_EQ(trace.m_pSamples[1].size(), 1u);
}

TEST(TraceModel, ConstructionAndResetValues) {
    CtesqDoc doc;
    EXPECT_EQ(doc.Decimation(), 1);
    EXPECT_EQ(doc.Trace().m_dblStep, 0);
    EXPECT_EQ(doc.Trace().m_strStepUnit, "");
    doc.m_nOscFormat = 2;
    doc.SetDecimation(64);
    doc.SetCurveHidden(3, true);
    doc.SetModifiedFlag(true);
    doc.ResetTrace();
    EXPECT_EQ(doc.Trace().m_dblStep, 1);
    EXPECT_EQ(doc.Trace().m_strStepUnit, "s");
    EXPECT_EQ(doc.Decimation(), 1);
    EXPECT_EQ(doc.IsCurveHidden(3), 0);
    EXPECT_EQ(doc.m_nOscFormat, 2);
    EXPECT_TRUE(doc.IsModified());
}

TEST(TraceTokens, RowScannerAgreesWithTheWorkingCopyRule) {
    std::mt19937 rng(5);
    const std::string pieces[] = {"1",
                                  "-2.5",
                                  "+.5",
                                  "1e3",
                                  "7e",
                                  "0.000123456789",
                                  "12345678901234567890",
                                  ".",
                                  "x",
                                  "-",
                                  " ",
                                  ",",
                                  ";",
                                  ":",
                                  "\t",
                                  "\v",
                                  "\f",
                                  "\r",
                                  "  ",
                                  "         ",
                                  "1.25e-2",
                                  "0",
                                  "00.5",
                                  "9.",
                                  "e5",
                                  "1e400"};
    std::string work;
    for (int round = 0; round < 20000; ++round) {
        std::string line;
        const int count = static_cast<int>(rng() % 24);
        for (int i = 0; i < count; ++i) line += pieces[rng() % std::size(pieces)];
        float exact[8];
        const int n = trace_tokens::ReadRowThroughWorkingCopy(line, work, exact);
        // With room to read past the line (digits there must not count) and without.
        const std::string padded = line + "5.25e1          ";
        for (const std::size_t readable : {std::size_t{0}, std::size_t{16}}) {
            float fast[8];
            ASSERT_EQ(trace_tokens::ReadRow(std::string_view(padded).substr(0, line.size()), work,
                                            fast, readable),
                      n)
                << line;
            for (int k = 0; k < n; ++k)
                ASSERT_EQ(std::memcmp(&fast[k], &exact[k], sizeof(float)), 0)
                    << line << " token " << k;
        }
    }
}

// Rows in heap buffers of exactly their size, with nothing readable past them: under ASan a
// read of one byte too many fails the test.
TEST(RowScanner, ReadsNothingPastAnExactBuffer) {
    std::string work;
    for (const std::string row :
         {"12345678.123456 ", "12345678.123456,", "12345678.1234567", "1.5", "12345678.1 "}) {
        const std::unique_ptr<char[]> exact(new char[row.size()]);
        std::memcpy(exact.get(), row.data(), row.size());
        float values[8];
        ASSERT_EQ(trace_tokens::ReadRow({exact.get(), row.size()}, work, values, 0), 1) << row;
        EXPECT_EQ(values[0], numtext::NarrowToFloat(numtext::ParseReal(row))) << row;
        const auto scanned =
            numtext::ScanFloat(exact.get(), exact.get() + row.size(), exact.get() + row.size());
        EXPECT_EQ(scanned.value, values[0]) << row;
    }
}

TEST(TextReader, HeaderRangesAreRealNumbers) {
    auto doc = ReadTrace("FileType QDL-RV\nCurve a V -0.5 2.75\n\n1\n");
    EXPECT_EQ(doc->Trace().m_fCurveBottom[0], -0.5f);
    EXPECT_EQ(doc->Trace().m_fCurveTop[0], 2.75f);
}

namespace {

void ExpectSameTrace(const CtesqDoc& doc, const CTraceData& one) {
    EXPECT_EQ(doc.Trace().m_nCurveCount, one.m_nCurveCount);
    EXPECT_EQ(doc.Trace().m_nSampleCount, one.m_nSampleCount);
    EXPECT_EQ(doc.Trace().m_dblStep, one.m_dblStep);
    EXPECT_EQ(doc.Trace().m_strHeaderText, one.m_strHeaderText);
    for (int i = 0; i < CTraceData::MAX_CURVES; ++i) {
        EXPECT_EQ(doc.Trace().m_strCurveName[i], one.m_strCurveName[i]);
        EXPECT_EQ(std::memcmp(&doc.Trace().m_fCurveBottom[i], &one.m_fCurveBottom[i], 4), 0);
        EXPECT_EQ(std::memcmp(&doc.Trace().m_fCurveTop[i], &one.m_fCurveTop[i], 4), 0);
        ASSERT_EQ(static_cast<bool>(doc.Trace().m_pSamples[i]),
                  static_cast<bool>(one.m_pSamples[i]));
        if (!one.m_pSamples[i]) continue;
        ASSERT_EQ(doc.Trace().m_pSamples[i].size(), one.m_pSamples[i].size());
        EXPECT_EQ(
            std::memcmp(doc.Trace().m_pSamples[i].Floats().get(), one.m_pSamples[i].Floats().get(),
                        one.m_pSamples[i].size() * sizeof(float)),
            0)
            << "curve " << i;
    }
}

}  // namespace

TEST(TextReader, TwoThreadsReadWhatOneThreadReads) {
    CTempDir dir;
    std::mt19937 rng(21);
    // Rows of 2 to 5 numbers, some ending in CR LF, blank and separator-only lines, rows of
    // words, and lines longer than a read block; the files grow a byte at a time, so that the
    // middle falls on every kind of byte.
    std::string rows;
    while (rows.size() < (std::size_t{5} << 19)) {
        const unsigned kind = rng() % 200;
        if (kind == 0 && rng() % 100 == 0) {
            rows += std::string(300000 + rng() % 1000, ' ') + "1 2 3 4 5 6 7 8 9\n";
        } else if (kind < 6) {
            rows += kind % 2 ? "\r\n" : " ,;\t\n";
        } else if (kind < 9) {
            rows += "words only\n";
        } else {
            const unsigned n = 2 + rng() % (rows.size() > (std::size_t{3} << 19) ? 4 : 2);
            for (unsigned k = 0; k < n; ++k)
                rows += std::to_string(static_cast<int>(rng() % 20001) - 10000) + "." +
                        std::to_string(rng() % 1000) + (k + 1 < n ? " " : "");
            rows += kind % 3 ? "\r\n" : "\n";
        }
    }
    const std::string header = "FileType QDL-RV\r\nCurve a V 0 0\nCurve b\nStep 5 us\n\n";
    for (int shift = 0; shift < 6; ++shift) {
        const std::string path = dir.Path("t" + std::to_string(shift) + ".txt");
        Put(path, header + std::string(static_cast<std::size_t>(shift), '\n') + rows +
                      (shift % 2 ? "7 8" : ""));
        CtesqDoc doc;
        CFile file(path, CFile::modeRead);
        ASSERT_TRUE(doc.ReadTextTrace(file));
        EXPECT_GT(doc.Trace().m_nSampleCount, 50000);
        CFile again(path, CFile::modeRead);
        ExpectSameTrace(doc, ReadTextOnOneThread(again));
    }
}

namespace {

// A file that another program rewrites (same length) once the counting pass is over: the
// second read from its start serves the new bytes.
class CRewrittenFile : public CMemFile {
public:
    CRewrittenFile(const std::string& before, const std::string& after)
        : m_before(before.data(), before.size()), m_after(after.data(), after.size()) {}
    std::size_t ReadAt(std::uint64_t offset, void* pBuf, std::size_t nCount) override {
        if (offset == 0) ++m_nFromStart;
        return Now().ReadAt(offset, pBuf, nCount);
    }
    std::size_t Read(void* pBuf, std::size_t nCount) override { return Now().Read(pBuf, nCount); }
    std::uint64_t Seek(std::int64_t lOff, SeekPosition from) override {
        return Now().Seek(lOff, from);
    }
    std::uint64_t GetPosition() const override { return m_after.GetPosition(); }
    std::uint64_t GetLength() const override { return m_before.GetLength(); }

private:
    CMemFile& Now() { return m_nFromStart > 1 ? m_after : m_before; }
    CMemFile m_before, m_after;
    int m_nFromStart = 0;
};

// The reader, over a file rewritten from `before` to `after` between its passes, stores what
// one thread stores when it counts `before` and then stores `after`.
void ExpectReadAsOneThreadReadsIt(const std::string& before, const std::string& after) {
    CTraceData counted, one;
    CMemFile original(before.data(), before.size()), rewritten(after.data(), after.size());
    CTextTraceParser counting(counted);
    counting.ReadTraceLines(original, false, 0);
    CTextTraceParser storing(one);
    storing.ReadTraceLines(rewritten, true, counted.m_nSampleCount);
    storing.CompleteRanges();
    CtesqDoc doc;
    CRewrittenFile file(before, after);
    ASSERT_TRUE(doc.ReadTextTrace(file));
    ExpectSameTrace(doc, one);
}

}  // namespace

TEST(TextReader, RowsThatChangeBetweenThePassesAreStoredAsOneThreadStoresThem) {
    std::string rows;
    for (int r = 0; rows.size() < (std::size_t{3} << 20); ++r) rows += std::to_string(r) + " 1\n";
    const std::string before = "FileType QDL-RV\nCurve a\n\n" + rows;
    for (const std::string& change :
         {std::string(6, ' '), std::string("5\n6\n"), std::string("10\n2 1\n")}) {
        // A row of the first half becomes blank (a gap), more rows, or exactly one more.
        std::string after = before;
        after.replace(after.find("\n1000 1\n") + 1, change.size(), change);
        ExpectReadAsOneThreadReadsIt(before, after);
    }
}

TEST(TextReader, ALineLongerThan64MiBIsRefusedNotGathered) {
    const CTempDir temp("tesqv-long-line");
    const std::string path = temp.Path("one.txt");
    {
        std::ofstream out(path, std::ios::binary);
        out << "FileType QDL-RV\nCurve a\n\n1";
        const std::string digits(1 << 20, '7');
        for (int k = 0; k < 65; ++k) out << digits;
        out << "\n";
    }
    CtesqDoc doc;
    CMessageRecorder messages;
    EXPECT_FALSE(doc.OnOpenDocument(path));
    EXPECT_EQ(
        messages.m_messages,
        std::vector<std::string>{path + " has a line longer than 64 MiB; it was not opened."});
    // A CSV quote left open would gather every line after it: refused the same way.
    const std::string csv = temp.Path("open.csv");
    {
        std::ofstream out(csv, std::ios::binary);
        out << "a,b\n";
        for (int r = 0; r < 20000; ++r) out << "1,2\n";  // past the head the layout is read from
        out << "\"3,4\n";
        const std::string row(1 << 20, '5');
        for (int k = 0; k < 65; ++k) out << row << "\n";
    }
    CMessageRecorder csvMessages;
    EXPECT_FALSE(doc.OnOpenDocument(csv));
    EXPECT_EQ(csvMessages.m_messages,
              std::vector<std::string>{csv + " has a line longer than 64 MiB; it was not opened."});
}

TEST(TextReader, AFileCutShortWhileReadIsReadAgainAndOneThatKeepsChangingIsRefused) {
    const CTempDir temp("tesqv-cut");
    const std::string path = temp.Path("rows.txt");
    std::string rows = "FileType QDL-RV\nCurve a\n\n";
    for (int r = 0; r < 600000; ++r) rows += std::to_string(r % 1000) + "\n";
    for (int round = 0; round < 2; ++round) {  // twice: nothing of the first read stays
        Put(path, rows);
        // Cut to half once the counting pass is done, as another program might.
        std::uint64_t read = 0;
        bool cut = false;
        CtesqDoc doc;
        CMessageRecorder messages;
        ASSERT_TRUE(doc.ReadTraceFile(path, [&](std::size_t n) {
            read += n;
            if (!cut && read > rows.size()) {
                cut = true;
                std::filesystem::resize_file(path, rows.size() / 2);
            }
        }));
        ASSERT_TRUE(cut);
        CMemFile half(rows.data(), rows.size() / 2);
        const CTraceData one = ReadTextOnOneThread(half);
        ASSERT_EQ(doc.Trace().m_nSampleCount, one.m_nSampleCount);  // no row missing, none made up
        ASSERT_TRUE(one.m_pSamples[0].Floats());
        EXPECT_EQ(Samples(doc, 0),
                  std::vector<float>(one.m_pSamples[0].Floats().get(),
                                     one.m_pSamples[0].Floats().get() + one.m_nSampleCount));
        EXPECT_TRUE(messages.m_messages.empty());
    }
    // Written to at every read: no two reads agree, and the file is not opened.
    Put(path, rows);
    CtesqDoc doc;
    CMessageRecorder messages;
    int reads = 0;
    EXPECT_FALSE(doc.ReadTraceFile(
        path, [&](std::size_t) { std::ofstream(path, std::ios::app) << (reads++ % 10) << "\n"; }));
    EXPECT_EQ(messages.m_messages,
              std::vector<std::string>{"rows.txt changed while it was read; it was not opened."});
}

TEST(TextReader, AHeaderLineGainedBetweenThePassesMovesTheRowsAndIsReadAsOneThreadReadsIt) {
    std::string rows;
    for (int r = 0; rows.size() < (std::size_t{3} << 20); ++r) rows += std::to_string(r) + " 1\n";
    const std::string before = "FileType QDL-RV\nCurve a\n\n" + rows;
    std::string after = "FileType QDL-RV\nNote x\nCurve a\n\n" + rows;
    after.resize(before.size());
    ExpectReadAsOneThreadReadsIt(before, after);
}

TEST(TextReader, OnlyTheThreadThatStartedTheReadHearsOfIt) {
    std::string text = "FileType QDL-RV\nCurve a\n\n";
    for (int r = 0; text.size() < (std::size_t{3} << 20); ++r) text += std::to_string(r) + "\n";
    CMemFile file(text.data(), text.size());
    const std::thread::id caller = std::this_thread::get_id();
    bool elsewhere = false;
    std::uint64_t told = 0;
    file.m_onRead = [&](std::size_t n) {
        elsewhere = elsewhere || std::this_thread::get_id() != caller;
        told += n;
    };
    CtesqDoc doc;
    ASSERT_TRUE(doc.ReadTextTrace(file));
    EXPECT_FALSE(elsewhere);
    EXPECT_GE(told, 2 * text.size() - 64);  // both passes, every byte
}

TEST(ChunkedRead, AFailingPartStopsTheOthersAndItsThreadsSpeakThroughTheWorkersSink) {
    const std::string bytes(std::size_t{8} << 20, 'x');
    CMemFile file(bytes.data(), bytes.size());
    const std::vector<CFileChunk> chunks = {{0, bytes.size() / 2, false},
                                            {bytes.size() / 2, bytes.size(), true}};
    std::vector<std::string> kept;
    CThreadMessageSink sink([&kept](std::string_view text) { kept.emplace_back(text); },
                            [](std::string_view) {});
    std::atomic<bool> secondPartFailing{false};
    bool stopHeard = false;
    EXPECT_THROW(ReadChunksInParallel(file, chunks,
                                      [&](std::size_t i, const ChunkRead& read) {
                                          if (i == 1) {
                                              AfxMessageBox("from the second part");
                                              secondPartFailing = true;
                                              throw std::runtime_error("part failed");
                                          }
                                          while (!secondPartFailing) std::this_thread::yield();
                                          // Reads of nothing until the stop reaches this part: a
                                          // read after the other part failed must throw, however
                                          // late the failure is passed on.
                                          const auto deadline = std::chrono::steady_clock::now() +
                                                                std::chrono::seconds(30);
                                          char buf[1];
                                          try {
                                              while (std::chrono::steady_clock::now() < deadline) {
                                                  read(buf, 0);
                                                  std::this_thread::yield();
                                              }
                                          } catch (const CReadCancelled&) {
                                              stopHeard = true;
                                              throw;
                                          }
                                      }),
                 std::runtime_error);
    EXPECT_TRUE(stopHeard);
    EXPECT_EQ(kept, std::vector<std::string>{"from the second part"});
}
