// What a paint draws, recorded call by call on a device context.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <limits>

#include "tests/support/TraceFixtures.h"
#include "view/rules/TraceDraw.h"

namespace {

struct Text {
    int x, y;
    std::string text;
    COLORREF color;
    int mode;
};
struct Box {
    std::string text;
    CRect rect;
    unsigned format;
    COLORREF color;
};
using Line = std::pair<CPoint, CPoint>;
struct Fill {
    CRect rect;
    COLORREF color;
    bool operator==(const Fill&) const = default;
};

// Records what is drawn, with the colours and modes in force at the time.
struct RecordingDC : CDC {
    explicit RecordingDC(int firstColumn) : scroll(firstColumn) {}
    CPen SelectPen(const CPen& p) override { return std::exchange(pen, p); }
    void MoveTo(int x, int y) override { at = {x, y}; }
    void LineTo(int x, int y) override {
        lines.push_back({at, {x, y}});
        at = {x, y};
    }
    void Polyline(const CPoint* p, int n) override {
        polylines.emplace_back(p, p + n);
        pens.push_back(pen);
    }
    void FillSolidRect(const CRect& r, COLORREF c) override { fills.push_back({r, c}); }
    void TextOut(int x, int y, std::string_view t) override {
        texts.push_back({x, y, std::string(t), text, mode});
    }
    void DrawText(std::string_view t, const CRect& r, unsigned f) override {
        boxes.push_back({std::string(t), r, f, text});
    }
    COLORREF SetTextColor(COLORREF c) override { return std::exchange(text, c); }
    COLORREF SetBkColor(COLORREF c) override { return std::exchange(background, c); }
    int SetBkMode(int m) override { return std::exchange(mode, m); }
    CPoint DPtoLP(CPoint d) const override { return {d.x + scroll, d.y}; }

    bool HasLine(CPoint a, CPoint b) const {
        return std::find(lines.begin(), lines.end(), Line{a, b}) != lines.end();
    }
    std::vector<Text> TextsAt(int x) const {
        std::vector<Text> found;
        std::copy_if(texts.begin(), texts.end(), std::back_inserter(found),
                     [x](const Text& t) { return t.x == x; });
        return found;
    }

    int scroll;
    CPen pen;
    CPoint at;
    COLORREF text = 0, background = RGB(255, 255, 255);
    int mode = OPAQUE;
    std::vector<Line> lines;
    std::vector<std::vector<CPoint>> polylines;
    std::vector<CPen> pens;
    std::vector<Text> texts;
    std::vector<Box> boxes;
    std::vector<Fill> fills;
};

const COLORREF kColors[8] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255),     RGB(80, 0, 0),
                             RGB(0, 80, 0),  RGB(0, 0, 80),  RGB(100, 149, 237), RGB(255, 127, 80)};

RecordingDC Paint(CtesqDoc& doc, int scroll, int width, const std::string& command = "") {
    doc.BuildDisplayCopies();
    RecordingDC dc(scroll);
    DrawTrace(dc, doc, {{0, 0, width, 720}, kColors, command});
    return dc;
}

}  // namespace

TEST(TraceDraw, TimeGridEveryHundredColumnsWithLabelsAboveAndBelow) {
    auto doc = DocWithSamples({std::vector<float>(4000, 1.0f)});
    doc->SetDecimation(2);
    doc->Select(3999, 3999);  // out of sight
    const RecordingDC dc = Paint(*doc, 250, 400);
    const std::pair<int, const char*> grid[] = {
        {300, "10:00"}, {400, "13:20"}, {500, "16:40"}, {600, "20:00"}};
    for (const auto& [column, label] : grid) {
        EXPECT_TRUE(dc.HasLine({column, 100}, {column, 670})) << column;
        const auto texts = dc.TextsAt(column);
        ASSERT_EQ(texts.size(), 2u) << column;
        EXPECT_EQ(texts[0].text, label);
        EXPECT_EQ(texts[0].y, 83);
        EXPECT_EQ(texts[1].y, 673);
        EXPECT_EQ(texts[0].color, RGB(136, 136, 187));
    }
    EXPECT_FALSE(dc.HasLine({200, 100}, {200, 670}));
    // 11 value grid lines across the visible columns.
    for (int k = 0; k <= 10; ++k)
        EXPECT_TRUE(dc.HasLine({250, 100 + k * 57}, {650, 100 + k * 57})) << k;
}

TEST(TraceDraw, EmptySelectionShadesTheColumnThatStartsAtIt) {
    auto doc = DocWithSamples({std::vector<float>(400, 1.0f)});
    doc->Select(40, 40);
    doc->SetDecimation(4);
    const std::vector<Fill> column = {{{10, 100, 11, 671}, RGB(221, 221, 221)}};
    EXPECT_EQ(Paint(*doc, 0, 400).fills, column);
    doc->SetDecimation(3);
    EXPECT_TRUE(Paint(*doc, 0, 400).fills.empty());
}

TEST(TraceDraw, TheShadedColumnsOfASelectionAreOneRectangle) {
    auto doc = DocWithSamples({std::vector<float>(400, 1.0f)});
    doc->Select(30, 61);  // columns 30 .. 60
    const std::vector<Fill> band = {{{30, 100, 61, 671}, RGB(221, 221, 221)}};
    EXPECT_EQ(Paint(*doc, 0, 400).fills, band);
    doc->Select(0, 400);  // to the last column
    EXPECT_EQ(Paint(*doc, 0, 400).fills.back().rect, (CRect{0, 100, 400, 671}));
}

TEST(TraceDraw, CurvesMapValuesIntoThePlotBand) {
    auto doc = DocWithSamples({{10, 1000, -5, 0}});
    doc->SetCurveRange(0, 0, 10);
    const RecordingDC dc = Paint(*doc, 0, 400);
    ASSERT_EQ(dc.polylines.size(), 1u);
    const auto& p = dc.polylines[0];
    ASSERT_EQ(p.size(), 16u);
    EXPECT_EQ(p[0], (CPoint{0, 100}));
    EXPECT_EQ(p[4], (CPoint{1, 100}));
    EXPECT_EQ(p[8], (CPoint{2, 670 + 285}));  // below the bottom: below the band
    EXPECT_EQ(p[12], (CPoint{3, 670}));
    EXPECT_EQ(dc.pens[0], (CPen{PS_SOLID, 2, RGB(255, 0, 0)}));
    // Scale labels 1.00 .. 9.00 on the left for curve 0.
    const auto labels = dc.TextsAt(30 * 0);
    std::vector<std::string> texts;
    for (const Text& t : labels)
        if (t.color == RGB(255, 0, 0)) texts.push_back(t.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"1.00", "2.00", "3.00", "4.00", "5.00", "6.00",
                                               "7.00", "8.00", "9.00"}));
}

TEST(TraceDraw, HiddenCurvesKeepTheirScalePlaceAndGreyLegend) {
    auto doc = DocWithSamples({{1, 2}, {1, 2}, {1, 2}}, [](CTraceData& t) {
        t.m_strCurveName[0] = "U1";
        t.m_strCurveUnit[0] = "V";
        t.m_strCurveName[2] = "I2";
    });
    doc->SetCurveHidden(1, true);
    const RecordingDC dc = Paint(*doc, 0, 1000);
    EXPECT_EQ(dc.polylines.size(), 2u);
    EXPECT_EQ(dc.TextsAt(60).size(), 9u);  // curve 2's scale: F + 60
    ASSERT_EQ(dc.boxes.size(), 4u);        // header, then three legend cells
    const CRect cells[] = {{0, 700, 333, 720}, {333, 700, 666, 720}, {666, 700, 999, 720}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(dc.boxes[1 + i].rect, cells[i]);
        EXPECT_EQ(dc.boxes[1 + i].format, DT_CENTER | DT_SINGLELINE);
    }
    EXPECT_EQ(dc.boxes[1].text, "U1 V");
    EXPECT_EQ(dc.boxes[3].text, "I2");
    EXPECT_EQ(dc.boxes[2].color, RGB(220, 220, 220));
    EXPECT_EQ(dc.boxes[0].rect, (CRect{0, 0, 1000, 80}));
}

TEST(TraceDraw, NarrowTraceEndsGridAndRightScaleAtItsLastColumn) {
    auto doc = DocWithSamples({{1, 2, 3}, {1, 2, 3}});
    const RecordingDC dc = Paint(*doc, 0, 1000, "go");
    EXPECT_TRUE(dc.HasLine({0, 100}, {3, 100}));
    EXPECT_EQ(dc.TextsAt(3 - 30).size(), 9u);  // curve 1: C_end - 30
    const Text& echo = dc.texts.back();
    EXPECT_EQ(echo.text, "go_");
    EXPECT_EQ(echo.x, 5);
    EXPECT_EQ(echo.y, 5);
    EXPECT_EQ(echo.color, RGB(0, 0, 0));
}

TEST(TraceDraw, TinyWindowsDrawWithinRange) {
    auto doc = DocWithSamples({{1, 2, 3}, {4, 4, 4}});
    doc->SetCurveRange(1, 4, 4);  // no range
    doc->BuildDisplayCopies();
    RecordingDC dc(0);
    DrawTrace(dc, *doc, {{0, 0, 50, 60}, kColors, ""});  // plot height 60 - 50 - 100 < 0
    ASSERT_EQ(dc.polylines.size(), 2u);
    for (const auto& line : dc.polylines)
        for (const CPoint& p : line) EXPECT_TRUE(p.y >= -100 && p.y <= 200) << p.y;
}

TEST(TraceDraw, TheGridStopsAtTheLastColumnOfTheLongestTrace) {
    // 2147483647 samples read as they are drawn, a column each, the right end in sight.
    struct Level : CSampleSource {
        std::int64_t Count() const override { return INT_MAX; }
        void Read(std::int64_t, std::int64_t n, float* out) const override {
            std::fill(out, out + n, 1.0f);
        }
    };
    CTraceData trace;
    trace.m_nCurveCount = 1;
    trace.m_nSampleCount = INT_MAX;
    trace.m_pSamples[0] = CCurveSamples(std::make_shared<Level>());
    auto doc = DocWithTrace(std::move(trace));
    doc->PrepareDisplayColumns();
    ASSERT_EQ(doc->DisplayLength(), 4LL * INT_MAX);
    const RecordingDC dc = Paint(*doc, INT_MAX - 400, 400);
    int grid = 0;
    for (const auto& [a, b] : dc.lines) grid += a.x == b.x && a.y == 100;
    EXPECT_EQ(grid, 4);  // 2147483300 .. 2147483600
}

TEST(TraceDraw, MissingSamplesAreGapsInTheLine) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    auto doc = DocWithSamples({{1, 2, nan, nan, 3, 4, nan}});
    doc->SetCurveRange(0, 0, 10);
    const RecordingDC dc = Paint(*doc, 0, 400);
    ASSERT_EQ(dc.polylines.size(), 2u);  // columns 0-1 and 4-5; nothing at 2, 3 and 6
    EXPECT_EQ(dc.polylines[0].size(), 8u);
    EXPECT_EQ(dc.polylines[0].back().x, 1);
    EXPECT_EQ(dc.polylines[1].front().x, 4);
    EXPECT_EQ(dc.polylines[1].back().x, 5);
    // A column that starts with a missing sample has no first value: it draws nothing.
    doc->SetDecimation(2);
    const RecordingDC wide = Paint(*doc, 0, 400);
    ASSERT_EQ(wide.polylines.size(), 2u);
    EXPECT_EQ(wide.polylines[0].back().x, 0);
    EXPECT_EQ(wide.polylines[1].front().x, 2);
}
