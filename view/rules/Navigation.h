#pragma once
// Zooming and dragging a selection, as pure functions: positions are columns (the scroll
// view clamps them). The fits take whatever decimation fills the window; zoom steps halve
// and double it from there. One home for how far zooming out may go, whichever way the user
// zooms.

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
// it all) or, for the wheel, the largest decimation; then d. (The command is offered only
// below its largest.)
int ZoomOutStep(ZoomRoute route, int d, long long samples);

// The smallest decimation at which `samples` samples fit in `width` columns, so that they
// fill them (1 when there are none, or no room at all), up to the fits' largest.
int FitDecimation(long long samples, int width);

struct ZoomTarget {
    int decimation;
    int position;  // before clamping
};

// Zoom to a selection start .. end: the smallest decimation at which it fits, centred.
ZoomTarget SelectionZoom(int start, int end, int width);

// One step in (half the decimation) or out (twice it) by the wheel, keeping the sample under
// client column x in place.
ZoomTarget PointerZoom(int decimation, int position, int x, bool in, long long samples);

// The sample a drag reaches at content column `column`, within 0 .. samples.
int SampleAtColumn(long long column, int decimation, int samples);

}  // namespace navigation
