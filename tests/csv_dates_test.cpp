// Dates and times as loggers, sensor apps and spreadsheets write them: in one column in the
// usual orders, split over columns, as Unix time stamps, or as a start time and a rate above
// the samples. Each becomes the time base, and the notice says how it was read.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/OpenedCsv.h"
#include "tests/support/TraceFixtures.h"

namespace {

using V = std::vector<float>;

}  // namespace

TEST(CsvDates, DayFirstOrMonthFirstIsDecidedByTheValuesAndSaid) {
    const Opened dayFirst(
        "Date,Value\n31/12/2023 23:59:56,1\n31/12/2023 23:59:58,2\n01/01/2024 00:00:00,3\n");
    ASSERT_EQ(dayFirst.doc.Trace().m_nCurveCount, 1);
    EXPECT_EQ(dayFirst.doc.Trace().m_dblStep, 2);  // across the year's end
    EXPECT_TRUE(dayFirst.Says("the dates of \"Date\" were read day first (31/12/2023)"))
        << dayFirst.Notice();
    const Opened monthFirst(
        "time,v\n12/31/2023 11:59:56 PM,1\n12/31/2023 11:59:58 PM,2\n"
        "01/01/2024 12:00:00 AM,3\n");
    EXPECT_EQ(monthFirst.doc.Trace().m_dblStep, 2);
    EXPECT_TRUE(monthFirst.Says("read month first (12/31/2023)")) << monthFirst.Notice();
    // No day past the 12th: the reading that is evenly spaced (daily, not monthly) wins.
    const Opened daily("Date,Value\n01/02/2023,1\n01/03/2023,2\n01/04/2023,3\n");
    EXPECT_EQ(daily.doc.Trace().m_dblStep, 86400);
    EXPECT_TRUE(daily.Says("read month first (12/31/2023), the one reading that is evenly"))
        << daily.Notice();
    const Opened undecided("Date,Value\n01.02.2023 10:00,1\n01.02.2023 10:01,2\n");
    EXPECT_TRUE(undecided.Says("read day first (31.12.2023), as no day past the 12th tells"))
        << undecided.Notice();
    // A logger's dotted day-first stamps with ';' cells and decimal commas.
    const Opened dotted(
        "Zeitstempel;Temperatur\n28.10.2020 20:17:45;20,5\n"
        "28.10.2020 20:17:46;21,5\n28.10.2020 20:17:47;22,5\n");
    ASSERT_EQ(dotted.doc.Trace().m_nCurveCount, 1);
    EXPECT_EQ(Samples(dotted.doc, 0), (V{20.5f, 21.5f, 22.5f}));
}

TEST(CsvDates, ADateColumnAndATimeColumnAreOneTime) {
    const Opened split(
        "Date,Time,Pressure\n2023-03-07,08:15:02.500,1\n2023-03-07,08:15:03.000,2\n"
        "2023-03-07,08:15:03.500,3\n");
    ASSERT_EQ(split.doc.Trace().m_nCurveCount, 1);
    EXPECT_EQ(split.doc.Trace().m_strCurveName[0], "Pressure");
    EXPECT_EQ(split.doc.Trace().m_dblStep, 500);
    EXPECT_EQ(split.doc.Trace().m_strStepUnit, "ms");
    EXPECT_TRUE(split.Says("columns \"Date\" and \"Time\" together hold the time stamps"))
        << split.Notice();
    // The first stamp is kept as an item; the times count from it.
    EXPECT_TRUE(HasItem(split.doc, "Start time:2023-03-07 08:15:02.500"));
    EXPECT_EQ(split.doc.Trace().m_dblOrigin, 0);
    // Across midnight the date moves on with the time.
    const Opened midnight(
        "Date,Time,P\n2023-03-07,23:59:58,1\n2023-03-08,00:00:00,2\n"
        "2023-03-08,00:00:02,3\n");
    EXPECT_EQ(midnight.doc.Trace().m_dblStep, 2);
    // A time of day alone passes midnight too; a date alone steps by days.
    const Opened timeOnly("Time,P\n23:59:58,1\n00:00:00,2\n00:00:02,3\n");
    EXPECT_EQ(timeOnly.doc.Trace().m_dblStep, 2);
    EXPECT_TRUE(timeOnly.Says("column \"Time\" holds times of day without a date"))
        << timeOnly.Notice();
    EXPECT_TRUE(HasItem(timeOnly.doc, "Start time:23:59:58"));
    EXPECT_EQ(Opened("Date,P\n2023-03-07,1\n2023-03-08,2\n2023-03-09,3\n").doc.Trace().m_dblStep,
              86400);
}

TEST(CsvDates, CalendarFieldsInColumnsAreOneTimeAndNoCurves) {
    const Opened fields(
        "Year,Month,Day,Hour,Minute,Second,T1,T2,T3,T4\n"
        "2020,12,31,23,59,56,1,2,3,4\n2020,12,31,23,59,58,5,6,7,8\n2021,1,1,0,0,0,9,10,11,12\n");
    ASSERT_EQ(fields.doc.Trace().m_nCurveCount, 4);
    EXPECT_EQ(fields.doc.Trace().m_strCurveName[0], "T1");
    EXPECT_EQ(Samples(fields.doc, 3), (V{4, 8, 12}));
    EXPECT_EQ(fields.doc.Trace().m_dblStep, 2);
    EXPECT_TRUE(
        fields.Says("columns \"Year\", \"Month\", \"Day\", \"Hour\", \"Minute\" and "
                    "\"Second\" together hold the time stamps"))
        << fields.Notice();
    // A column of seconds alone that wraps at 60 gives no step.
    const Opened wraps("Second,A\n58,1\n59,2\n0,3\n1,4\n");
    EXPECT_EQ(wraps.doc.Trace().m_dblStep, 1);
    EXPECT_TRUE(wraps.Says("is not evenly spaced")) << wraps.Notice();
    // Out of its range a field is no calendar field: Minute 75 is a curve.
    EXPECT_EQ(Opened("Hour,Minute,A\n1,75,1\n1,76,2\n1,77,3\n").doc.Trace().m_nCurveCount, 3);
}

TEST(CsvDates, UnixTimeStampsAreTheTimeBase) {
    const Opened seconds("ts,ecg\n1365004402.1405,1\n1365004402.1445,2\n1365004402.1485,3\n");
    ASSERT_EQ(seconds.doc.Trace().m_nCurveCount, 1);
    EXPECT_EQ(seconds.doc.Trace().m_dblStep, 4);  // to the digits printed, not 3.9999
    EXPECT_EQ(seconds.doc.Trace().m_strStepUnit, "ms");
    EXPECT_TRUE(seconds.Says("column \"ts\" holds Unix time stamps (seconds since 1970)"))
        << seconds.Notice();
    EXPECT_TRUE(HasItem(seconds.doc, "Start time:2013-04-03 15:53:22.1405 UTC"));
    const Opened millis("timestamp,x\n1365004402140,1\n1365004402144,2\n1365004402148,3\n");
    EXPECT_EQ(millis.doc.Trace().m_dblStep, 4);
    EXPECT_TRUE(millis.Says("(milliseconds since 1970)")) << millis.Notice();
    const Opened uneven("ts,ecg\n1365004402.1,1\n1365004402.2,2\n1365004402.9,3\n");
    ASSERT_EQ(uneven.doc.Trace().m_nCurveCount, 1);
    EXPECT_TRUE(
        uneven.Says("are not evenly spaced (its steps run from 100 to 700 ms); they "
                    "were left out"))
        << uneven.Notice();
    // Named otherwise and small, a column is a curve as before.
    EXPECT_EQ(Opened("count,level\n1,1\n2,2\n4,3\n").doc.Trace().m_nCurveCount, 2);
}

TEST(CsvDates, AStartTimeAndARateAboveOneColumnOfSamples) {
    const Opened o("1365004402\n250\n0.5\n-0.25\n1\n");
    ASSERT_EQ(o.doc.Trace().m_nCurveCount, 1);
    EXPECT_EQ(Samples(o.doc, 0), (V{0.5f, -0.25f, 1}));
    EXPECT_EQ(o.doc.Trace().m_dblStep, 4);
    EXPECT_EQ(o.doc.Trace().m_strStepUnit, "ms");
    EXPECT_TRUE(HasItem(o.doc, "Start time:2013-04-03 15:53:22 UTC"));
    EXPECT_TRUE(
        o.Says("its first two lines were read as a start time (Unix time 1365004402, "
               "2013-04-03 15:53:22 UTC) and a sample rate (250 Hz)"))
        << o.Notice();
    // Samples as large as the first line: no start time, and no silent 1 s either.
    const Opened samples("1365004402\n250\n1365004500\n1365004600\n");
    EXPECT_EQ(samples.doc.Trace().m_nSampleCount, 4);
    EXPECT_TRUE(samples.Says("no time step found; samples are 1 s apart")) << samples.Notice();
}
