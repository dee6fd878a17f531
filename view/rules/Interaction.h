#pragma once
// What mouse and keyboard do to the trace, as pure functions the view's handlers call:
// selection by successive clicks, the zones of the client area, the legend columns, the
// pointer read-out and status line, and the marker searches on curve 0.

#include <optional>
#include <string>

#include "view/rules/ViewGeometry.h"

class CtesqDoc;
class CCurveSamples;
class CDisplayColumns;

namespace interaction {

// Zones by y in the client area's bands; the inequalities are strict.
inline bool InPlotBand(int y, const view_geometry::Bands& b) {
    return y > b.plotTop && y < b.plotBottom;
}
inline bool InSelectionBand(int y, const view_geometry::Bands& b) {
    return y > b.plotTop && y < b.legendTop;
}
inline bool InLegendBand(int y, const view_geometry::Bands& b) {
    return y > b.legendTop;
}

// The legend column of client x with `count` curves in a client area `width` wide; -1 when
// the columns are narrower than a pixel.
int LegendColumn(int x, int left, int width, int count);

// A left click in the selection band at column x: the selection runs between the previous
// click (the anchor) and this one; both are clamped to the sample count.
struct ClickResult {
    int selStart;
    int selEnd;
    int anchor;  // the anchor for the next click
};
ClickResult SelectByClick(int column, int decimation, int sampleCount, int anchor);

// "time  name:value unit..." for column c, or nothing when the column holds no data. A curve
// without display columns shows its name without a value.
std::optional<std::string> ReadOut(const CtesqDoc& doc, int column);

// Beside a selection being dragged: its span, the span's inverse (none for a span of no
// time) and, for the shown curve drawn nearest to y at `column`, its last sample in the
// selection minus its first: "\u0394t 60 us  1/\u0394t 16.6667 kHz  \u0394U 2 V".
std::string DragLabel(const CtesqDoc& doc, int column, int y, const view_geometry::Bands& bands);

// The diagnostic line of the status bar.
std::string StatusLine(const CtesqDoc& doc, int clientX, int column, int position, int rangeEnd);

// The sample at the window's left edge: truncate(n x P / R); 0 when there is no range.
int LeftEdgeSample(int sampleCount, int position, int rangeEnd);

// Marker searches on curve 0 (threshold 2000, look-back 100 samples). Both give the sample
// to "goto", or nothing when the view is to stay; FindPrev gives 0 when no marker is behind.
// `columns`, display columns over the same samples, lets them pass over blocks.
std::optional<unsigned> FindNextMarker(const CCurveSamples& samples, int count, int leftEdge,
                                       bool negative, const CDisplayColumns* columns = nullptr);
std::optional<unsigned> FindPrevMarker(const CCurveSamples& samples, int count, int leftEdge,
                                       bool negative, const CDisplayColumns* columns = nullptr);

}  // namespace interaction
