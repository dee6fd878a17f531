// Mouse and keyboard rules: selection by clicks, zones, legend columns, read-out, markers.

#include "view/rules/Interaction.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>
#include <vector>

#include "tests/support/TraceFixtures.h"

using namespace interaction;

// Clicks and their band edges are checked with real events on the view; these are the
// cases a click there does not reach.
TEST(Interaction, ClicksPastTheDataSelectUpToTheLastSample) {
    EXPECT_EQ(SelectByClick(800, 2, 1000, 0).selEnd, 1000);
}

TEST(Interaction, PlotAndLegendBandsAndLegendColumns) {
    const view_geometry::Bands b = view_geometry::BandsOf(0, 400);
    EXPECT_TRUE(InLegendBand(400 - 19, b));
    EXPECT_FALSE(InLegendBand(400 - 20, b));
    EXPECT_TRUE(InPlotBand(400 - 51, b));
    EXPECT_FALSE(InPlotBand(400 - 50, b));
    EXPECT_FALSE(InPlotBand(100, b));
    EXPECT_EQ(LegendColumn(99, 0, 100, 3), 3);  // right of the last 33-pixel column
    EXPECT_EQ(LegendColumn(40, 0, 100, 3), 1);
    EXPECT_EQ(LegendColumn(5, 0, 2, 3), -1);  // columns narrower than a pixel
}

TEST(Interaction, ReadOutAndStatusLine) {
    const auto edit = [](CTraceData& t) {
        t.m_strCurveName[0] = "U1";
        t.m_strCurveUnit[0] = "V";
        t.m_strCurveName[1] = "I1";
        t.m_dblStep = 20;
        t.m_strStepUnit = "us";
    };
    auto doc = DocWithSamples({{1.5f, 2, 3}, {-0.25f, 0, 0}}, edit);
    doc->BuildDisplayCopies();
    EXPECT_EQ(ReadOut(*doc, 0), "0.00ms  U1:1.500V  I1:-0.250");
    EXPECT_EQ(ReadOut(*doc, 3), std::nullopt);  // past the data
    doc = DocWithSamples({{1.5f, 2, 3}, {-0.25f, 0, 0}}, [&edit](CTraceData& t) {
        edit(t);
        t.m_nCurveCount = 3;
        t.m_strCurveName[2] = "X";
    });
    doc->BuildDisplayCopies();
    EXPECT_EQ(ReadOut(*doc, 1), "0.02ms  U1:2.000V  I1:0.000  X:");  // no samples: no value
    EXPECT_EQ(
        StatusLine(*doc, 17, 1, 0, 0),
        "SCREEN.X=17 @SHOW=1(3) @TESQ=1(3) SelLeft=0 SelRight=0 EXT=1 pos=0 max=0 Clipboard=0");
}

// While dragging: the span, its inverse, and the change of the curve drawn nearest the
// pointer; a span of no time has no frequency.
TEST(Interaction, TheDragLabelMeasuresTheCurveNearestThePointer) {
    auto doc = DocWithSamples({{0, 1, 2, 3, 4, 5, 6, 7}, {50, 50, 50, 50, 50, 50, 50, 80}},
                              [](CTraceData& t) {
                                  t.m_strCurveName[0] = "U";
                                  t.m_strCurveUnit[0] = "V";
                                  t.m_fCurveTop[0] = 10;
                                  t.m_strCurveName[1] = "I";
                                  t.m_strCurveUnit[1] = "mA";
                                  t.m_fCurveTop[1] = 100;
                                  t.m_dblStep = 20;
                                  t.m_strStepUnit = "us";
                              });
    doc->BuildDisplayCopies();
    const view_geometry::Bands b = view_geometry::BandsOf(0, 500);
    doc->Select(2, 8);
    const int nearI = view_geometry::ValueToY(50, 0, 100, b) + 3;
    EXPECT_EQ(DragLabel(*doc, 4, nearI, b), "\u0394t 120 us  1/\u0394t 8.33333 kHz  \u0394I 30 mA");
    const int nearU = view_geometry::ValueToY(4, 0, 10, b);
    EXPECT_EQ(DragLabel(*doc, 4, nearU, b), "\u0394t 120 us  1/\u0394t 8.33333 kHz  \u0394U 5 V");
    doc->SetCurveHidden(0, true);  // hidden curves are not under the pointer
    EXPECT_NE(DragLabel(*doc, 4, nearU, b).find("\u0394I"), std::string::npos);
    doc->Select(3, 3);
    EXPECT_EQ(DragLabel(*doc, 4, nearI, b), "\u0394t 0 us");
}

TEST(Interaction, MarkerSearchesFollowTheirSteps) {
    std::vector<float> s(900, 0.0f);
    for (int i = 500; i <= 509; ++i) s[static_cast<std::size_t>(i)] = 3000;
    EXPECT_EQ(FindNextMarker(CurveOf(s), 900, 0, false), 400u);
    EXPECT_EQ(FindNextMarker(CurveOf(s), 900, 400, false), std::nullopt);
    EXPECT_EQ(FindPrevMarker(CurveOf(s), 900, 600, false), 399u);
    EXPECT_EQ(FindNextMarker(CurveOf(s), 900, 0, true), std::nullopt);  // negative polarity
    EXPECT_EQ(FindPrevMarker(CurveOf(s), 900, 600, true), 0u);
    s[450] = -2500;  // every candidate 500..509 fails its look-back window
    EXPECT_EQ(FindNextMarker(CurveOf(s), 900, 0, false), std::nullopt);
    EXPECT_EQ(FindPrevMarker(CurveOf(s), 900, 600, false), 0u);
    EXPECT_EQ(FindNextMarker(CurveOf(s), 900, 0, true), 350u);

    std::vector<float> early(600, 0.0f);
    for (int i = 50; i <= 52; ++i) early[static_cast<std::size_t>(i)] = 2500;
    early[60] = 2000;  // exactly the threshold: neither beyond nor back within
    EXPECT_EQ(FindPrevMarker(CurveOf(early), 600, 500, false), 49u);         // no offset below 100
    EXPECT_EQ(FindNextMarker(CurveOf(early), 150, 0, false), std::nullopt);  // starts past the end
    EXPECT_EQ(FindPrevMarker(CurveOf(early), 0, 0, false), std::nullopt);    // no samples
    EXPECT_EQ(LeftEdgeSample(900, 0, 0), 0);
    EXPECT_EQ(LeftEdgeSample(1000, 50, 99), 505);
}

// The searches pass over the blocks of the display columns that hold no sample beyond the
// threshold; they must stop where a look at every sample stops, edits kept as rules included.
TEST(Interaction, MarkerSearchesThroughTheDisplayColumnsStopWhereASampleBySampleSearchDoes) {
    std::mt19937 rng(8);
    std::vector<float> s(300'001);
    for (float& x : s) x = static_cast<float>(static_cast<int>(rng() % 2001) - 1000);
    for (int burst = 0; burst < 40; ++burst) {
        const std::size_t at = rng() % (s.size() - 40);
        const float level = burst % 3 ? 3000.0f : -3000.0f;
        for (std::size_t i = at; i < at + 1 + rng() % 30; ++i) s[i] = level;
    }
    for (int i = 0; i < 50; ++i) s[rng() % s.size()] = std::numeric_limits<float>::quiet_NaN();
    auto doc = DocWithSamples({s});
    const auto count = static_cast<int>(s.size());
    doc->SetDecimation(300);
    ASSERT_TRUE(doc->Display(0).IsOver(doc->Trace().m_pSamples[0], count));
    const auto expectSame = [&](const std::string& when) {
        const CCurveSamples& samples = doc->Trace().m_pSamples[0];
        const CDisplayColumns* columns = &doc->Display(0);
        for (int edge = 0; edge < count; edge += 997 + static_cast<int>(rng() % 7000))
            for (const bool negative : {false, true}) {
                EXPECT_EQ(FindNextMarker(samples, count, edge, negative, columns),
                          FindNextMarker(samples, count, edge, negative))
                    << when << ", next from " << edge << (negative ? " negative" : "");
                EXPECT_EQ(FindPrevMarker(samples, count, edge, negative, columns),
                          FindPrevMarker(samples, count, edge, negative))
                    << when << ", previous from " << edge << (negative ? " negative" : "");
            }
    };
    expectSame("as read");
    doc->Select(100'000, 200'003);  // values up to 2500 now, some beyond
    ASSERT_TRUE(doc->ExecuteCommand("kxb 0 -2.5 1"));
    expectSame("after a kxb");
}
