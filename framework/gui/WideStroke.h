#pragma once
// The pixels QPainter's raster engine sets for a solid, aliased polyline with a pen wider
// than one pixel, flat caps and bevel joins, computed in time linear in the polyline, for
// polylines whose x never moves by more than one column at a time (the view's curves).
// QPainter strokes such a pen as one filled path, which costs far more on polylines that run
// up and down the same columns; this gives the same pixels, as its stroker and scan
// converter would: the same outline in doubles, the same 26.6 and 16.16 fixed-point steps,
// the same winding rule.

#include <vector>

struct CPoint;

struct PixelRun {
    int column;
    int top;     // first row
    int bottom;  // last row, inclusive
};

// Appends the runs of pixels set in device columns by the stroke of the polyline (logical
// points, `originX` the logical x of device column 0), clipped to rows 0 .. lastRow; runs of
// one column never overlap and are listed column by column. False, with nothing appended,
// for a polyline whose x steps by anything but 0 or 1.
bool WideStrokeRuns(const CPoint* points, int count, double width, int originX, int lastRow,
                    std::vector<PixelRun>& runs);
