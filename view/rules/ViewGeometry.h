#pragma once
// The view's coordinate model as pure functions, shared by drawing and by mouse and keyboard
// handling. Pixels and columns are ints; divisions truncate toward zero. Column c shows the
// bucket of samples c x D .. c x D + D - 1 and display-copy entries 4c .. 4c + 3.

namespace view_geometry {

// The horizontal bands of a client area from y = top to y = bottom; drawing and the mouse
// zones both cut the window here.
struct Bands {
    int plotTop;     // top + 100
    int plotBottom;  // bottom - 50
    int height;      // plotBottom - plotTop; zero or negative in a tiny window
    int legendTop;   // bottom - 20: the legend runs from here to the bottom
};
Bands BandsOf(int top, int bottom);

// Scroll sizes for a trace `columns` wide in a client area `width` wide: total columns, page
// step 2W/3 and line step W/10.
struct ScrollSizes {
    int total;
    int page;
    int line;
};
ScrollSizes ScrollSizesFor(int columns, int width);

// Position that centres the selection (before clamping): ((start + end) / 2) / D - W / 2.
int SelectionCentrePosition(int selStart, int selEnd, int decimation, int width);

// Position for "goto": R x index / sampleCount in double precision, truncated; 0 when there
// are no samples.
int GotoPosition(int rangeEnd, int index, int sampleCount);

// Position after a zoom: the column at the window's centre keeps its place relative to the
// trace's length. f = (W / 2 + P) / R and truncate(newColumns x f) - W / 2, both in float;
// 0 when the old trace offered no scroll range.
int ZoomedPosition(int width, int position, int rangeEnd, int newColumns);

// The y of value v of a curve with bottom b and top t: b on the plot bottom, t and above on
// the plot top, values below b below the plot band. A curve with no usable range (t == b, or
// an infinite or NaN span) is drawn flat in the middle of the band; NaN values lie on the
// plot bottom; far-off values stop 32768 pixels below the plot bottom, so every y is a
// coordinate any drawing surface takes.
int ValueToY(float v, float bottom, float top, const Bands& bands);

// Visible display-copy entries for first column F in a window W wide: S = 4F,
// E = min(length, 4(F + W)); the visible columns are F .. E / 4 - 1.
struct VisibleEntries {
    long long first;  // S
    long long end;    // E, exclusive; E <= S means nothing to draw
};
VisibleEntries VisibleEntriesOf(int firstColumn, int width, long long displayLength);

// Legend cell of curve i of count in a window W wide from column F: x = F + (W x i) / count
// (unsigned arithmetic), W / count wide.
struct Cell {
    int left;
    int width;
};
Cell LegendCell(int firstColumn, int width, int curve, int count);

// The first multiple of 100 at or after column F, where the time grid starts.
// 64 bits: near the end of the longest trace the next multiple is past the int range.
long long FirstGridColumn(int firstColumn);

}  // namespace view_geometry
