// The view's coordinate model: bands, scrolling, hints, zoom and value mapping.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "view/rules/ViewGeometry.h"

using namespace view_geometry;

// The worked positions (499, 800, 901) are checked through the real view; these are the
// cases it does not reach.
TEST(ViewGeometry, HintAndZoomPositionsWithoutARange) {
    EXPECT_EQ(SelectionCentrePosition(4000, 6000, 2, 400), 2300);
    EXPECT_EQ(GotoPosition(999, 5, 0), 0);          // no samples
    EXPECT_EQ(ZoomedPosition(200, 0, 0, 2000), 0);  // the old trace had no scroll range
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
