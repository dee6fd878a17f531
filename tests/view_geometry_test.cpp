// The view's coordinate model: bands, scrolling, hints, zoom and value mapping.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ViewGeometry.h"

using namespace view_geometry;

TEST(ViewGeometry, BandsAndScrollSizes) {
    const Bands b = BandsOf(0, 720);
    EXPECT_EQ(b.plotTop, 100);
    EXPECT_EQ(b.plotBottom, 670);
    EXPECT_EQ(b.height, 570);
    EXPECT_EQ(b.legendTop, 700);
    const ScrollSizes s = ScrollSizesFor(5000, 900);
    EXPECT_EQ(s.total, 5000);
    EXPECT_EQ(s.page, 600);
    EXPECT_EQ(s.line, 90);
    EXPECT_EQ(ScrollRangeEnd(1000, 200), 999);
    EXPECT_EQ(ScrollRangeEnd(100, 200), 0);  // the trace fits: no range
    EXPECT_EQ(ClampScrollPosition(950, 1000, 200), 800);
    EXPECT_EQ(ClampScrollPosition(-40, 1000, 200), 0);
}

TEST(ViewGeometry, HintPositions) {
    // A selection near the start centres to a negative position, which the bar clamps to 0.
    EXPECT_EQ(SelectionCentrePosition(10, 20, 1, 400), -185);
    EXPECT_EQ(ClampScrollPosition(SelectionCentrePosition(10, 20, 1, 400), 1000, 400), 0);
    EXPECT_EQ(SelectionCentrePosition(4000, 6000, 2, 400), 2300);
    EXPECT_EQ(GotoPosition(999, 0, 4000), 0);
    EXPECT_EQ(ClampScrollPosition(GotoPosition(999, 9000, 4000), 1000, 200),
              800);  // the last position
    EXPECT_EQ(GotoPosition(999, 2000, 4000), 499);
    EXPECT_EQ(GotoPosition(999, 5, 0), 0);
}

TEST(ViewGeometry, ZoomKeepsTheCentreColumn) {
    // 4000 samples at D = 4 are 1000 columns; zooming in to D = 2 gives 2000.
    EXPECT_EQ(ZoomedPosition(200, 400, 999, 2000), 901);
    EXPECT_EQ(ZoomedPosition(200, 0, 0, 2000), 0);
}

TEST(ViewGeometry, ValueMapping) {
    const Bands b = BandsOf(0, 720);  // plot 100 .. 670, H = 570
    EXPECT_EQ(ValueToY(0, 0, 10, b), 670);
    EXPECT_EQ(ValueToY(10, 0, 10, b), 100);
    EXPECT_EQ(ValueToY(1000, 0, 10, b), 100);      // above the top: clamped to it
    EXPECT_EQ(ValueToY(-5, 0, 10, b), 670 + 285);  // below the bottom: below the band
    EXPECT_EQ(ValueToY(2.5f, 0, 10, b), 670 - 142);
    // No usable range: a flat curve in the middle of the band.
    EXPECT_EQ(ValueToY(7, 5, 5, b), 670 - 285);
    EXPECT_EQ(ValueToY(7, -3e38f, 3e38f, b), 670 - 285);
    // NaN on the plot bottom; infinities and far-off values stay drawable.
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(ValueToY(std::nanf(""), 0, 10, b), 670);
    EXPECT_EQ(ValueToY(inf, 0, 10, b), 100);
    EXPECT_EQ(ValueToY(-inf, 0, 10, b), 670 + 32768);
    EXPECT_EQ(ValueToY(-1e30f, 0, 1e-30f, b), 670 + 32768);
    // A window too small for a plot band draws without failing.
    const Bands tiny = BandsOf(0, 120);  // H = -30
    EXPECT_EQ(ValueToY(5, 0, 10, tiny), tiny.plotBottom + 30);
}

TEST(ViewGeometry, VisibleRangeLegendAndGrid) {
    const VisibleEntries v = VisibleEntriesOf(250, 400, 100000);
    EXPECT_EQ(v.first, 1000);
    EXPECT_EQ(v.end, 2600);
    EXPECT_EQ(VisibleEntriesOf(250, 400, 1200).end, 1200);  // the trace ends inside the window
    EXPECT_EQ(FirstGridColumn(250), 300);
    EXPECT_EQ(FirstGridColumn(300), 300);
    EXPECT_EQ(FirstGridColumn(0), 0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(LegendCell(7, 1000, i, 3).left, 7 + 333 * i);
        EXPECT_EQ(LegendCell(7, 1000, i, 3).width, 333);
    }
}
