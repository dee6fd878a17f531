#pragma once
// The horizontal scroll range of a view `total` columns wide in a window `width` wide: the
// upper end R the view reports is the last column while the trace is wider than the window,
// else 0 (no range); positions stay within 0 .. total - width.

#include <algorithm>

inline int ScrollRangeEnd(int total, int width) {
    return total > width && total > 0 ? total - 1 : 0;
}

inline int MaxScrollPosition(int total, int width) {
    return std::max(0, total - std::max(width, 0));
}
