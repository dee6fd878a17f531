#pragma once
// Zooming and dragging a selection, as pure functions: decimations are powers of two,
// positions are columns (the scroll view clamps them). One home for how far zooming out may
// go, whichever way the user zooms.

namespace navigation {

// The ways of zooming out, each with its own limit.
enum class ZoomRoute {
    command,  // the Zoom out command (toolbar button, Ctrl+Minus): greyed from 4096 on
    wheel,    // Ctrl+wheel
    fit,      // Zoom to fit and Zoom to selection
};

// The largest decimation a route zooms out to: 4096 for the Zoom out command; the wheel and
// the fits go as far as the trace needs, up to 2^30 (the largest power of two an int holds).
int LargestDecimation(ZoomRoute route);

// Whether the route's Zoom out is offered at decimation d (the command's enable rule).
bool CanZoomOut(ZoomRoute route, int d);

// One step out from d: 2d, unless that passes the trace's length (one column already holds
// it all) or the route's largest decimation; then d.
int ZoomOutStep(ZoomRoute route, int d, long long samples);

// The smallest power-of-two decimation at which `samples` samples fit in `width` columns
// (1 when there are none, or no room at all), up to the fits' largest.
int FitDecimation(long long samples, int width);

struct ZoomTarget {
    int decimation;
    int position;  // before clamping
};

// Zoom to a selection start .. end: the smallest decimation at which it fits, centred.
ZoomTarget SelectionZoom(int start, int end, int width);

// One power of two in or out (`in`) by the wheel, keeping the sample under client column x
// in place.
ZoomTarget PointerZoom(int decimation, int position, int x, bool in, long long samples);

// The sample a drag reaches at content column `column`, within 0 .. samples.
int SampleAtColumn(long long column, int decimation, int samples);

}  // namespace navigation
