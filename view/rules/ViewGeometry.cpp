#include "view/rules/ViewGeometry.h"

#include <algorithm>
#include <cmath>

#include "framework/core/NumberText.h"

namespace view_geometry {

namespace {

// Lowest h a value maps to: 32768 pixels below the plot bottom is off every screen.
constexpr int kLowestH = -32768;

}  // namespace

Bands BandsOf(int top, int bottom) {
    const int plotTop = top + 100;
    const int plotBottom = bottom - 50;
    return {plotTop, plotBottom, plotBottom - plotTop, bottom - 20};
}

ScrollSizes ScrollSizesFor(int columns, int width) {
    return {columns, (2 * width) / 3, width / 10};
}

int SelectionCentrePosition(int selStart, int selEnd, int decimation, int width) {
    const long long middle = (static_cast<long long>(selStart) + selEnd) / 2;
    return numtext::ToIntSaturated(
        static_cast<double>(middle / std::max(decimation, 1) - width / 2));
}

int GotoPosition(int rangeEnd, int index, int sampleCount) {
    if (sampleCount == 0) return 0;
    return numtext::ToIntSaturated(static_cast<double>(rangeEnd) * index / sampleCount);
}

int ZoomedPosition(int width, int position, int rangeEnd, int newColumns) {
    if (rangeEnd == 0) return 0;
    const float f = static_cast<float>(width / 2 + position) / static_cast<float>(rangeEnd);
    return numtext::ToIntSaturated(static_cast<double>(static_cast<float>(newColumns) * f)) -
           width / 2;
}

int ValueToY(float v, float bottom, float top, const Bands& bands) {
    const int height = bands.height;
    const float span = top - bottom;
    int h;
    if (span == 0.0f || !std::isfinite(span)) {
        h = height / 2;
    } else {
        const float r = (v - bottom) / span;
        h = std::isnan(r) ? 0 : numtext::ToIntSaturated(static_cast<double>(r) * height);
    }
    if (h >= height) h = height;
    h = std::max(h, std::min(kLowestH, height));
    return bands.plotBottom - h;
}

VisibleEntries VisibleEntriesOf(int firstColumn, int width, long long displayLength) {
    const long long end =
        std::min<long long>(displayLength, 4LL * (static_cast<long long>(firstColumn) + width));
    return {4LL * firstColumn, end};
}

Cell LegendCell(int firstColumn, int width, int curve, int count) {
    const auto w = static_cast<unsigned>(width);
    const auto n = static_cast<unsigned>(count);
    if (n == 0) return {firstColumn, 0};
    return {firstColumn + static_cast<int>((w * static_cast<unsigned>(curve)) / n),
            static_cast<int>(w / n)};
}

long long FirstGridColumn(int firstColumn) {
    return firstColumn <= 0 ? 0 : ((firstColumn + 99LL) / 100) * 100;
}

}  // namespace view_geometry
