#include "view/rules/Navigation.h"

#include <algorithm>
#include <climits>

namespace navigation {

namespace {

long long CeilDiv(long long a, long long b) {
    return (a + b - 1) / b;
}

int Saturate(long long v) {
    return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

}  // namespace

int LargestDecimation(ZoomRoute route) {
    return route == ZoomRoute::command ? 4096 : 1 << 30;
}

bool CanZoomOut(ZoomRoute route, int d) {
    return d < LargestDecimation(route);
}

int ZoomOutStep(ZoomRoute route, int d, long long samples) {
    const long long twice = 2LL * d;
    // The command's 4096 is where its button greys; a press below it still doubles (3000 to
    // 6000 after a fit). The wheel stops at the largest an int holds.
    const long long largest = route == ZoomRoute::command ? LargestDecimation(ZoomRoute::wheel)
                                                          : LargestDecimation(route);
    return twice <= samples && twice <= largest ? static_cast<int>(twice) : d;
}

int FitDecimation(long long samples, int width) {
    if (samples <= 0 || width <= 0) return 1;
    return static_cast<int>(
        std::clamp<long long>(CeilDiv(samples, width), 1, LargestDecimation(ZoomRoute::fit)));
}

ZoomTarget SelectionZoom(int start, int end, int width) {
    const int d = FitDecimation(static_cast<long long>(end) - start, width);
    const long long middle = (static_cast<long long>(start) + end) / 2;
    return {d, Saturate(middle / d - width / 2)};
}

ZoomTarget PointerZoom(int decimation, int position, int x, bool in, long long samples) {
    const int d =
        in ? std::max(1, decimation / 2) : ZoomOutStep(ZoomRoute::wheel, decimation, samples);
    const long long sample = (static_cast<long long>(position) + x) * decimation;
    return {d, Saturate(sample / d - x)};
}

int SampleAtColumn(long long column, int decimation, int samples) {
    return Saturate(std::clamp<long long>(column * decimation, 0, samples));
}

}  // namespace navigation
