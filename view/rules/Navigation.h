#pragma once
// Zooming to a range and dragging a selection, as pure functions: decimations are powers of
// two, positions are columns (the scroll view clamps them).

namespace navigation {

// The smallest power-of-two decimation at which `samples` samples fit in `width` columns
// (1 when there are none, or no room at all).
int FitDecimation(long long samples, int width);

struct ZoomTarget {
    int decimation;
    int position;  // before clamping
};

// Zoom to a selection start .. end: the smallest decimation at which it fits, centred.
ZoomTarget SelectionZoom(int start, int end, int width);

// One power of two in or out (`in`), keeping the sample under client column x in place.
// Out stops where one column holds the whole trace.
ZoomTarget PointerZoom(int decimation, int position, int x, bool in, long long samples);

// The sample a drag reaches at content column `column`, within 0 .. samples.
int SampleAtColumn(long long column, int decimation, int samples);

}  // namespace navigation
