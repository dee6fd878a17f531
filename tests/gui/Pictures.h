#pragma once
// Comparing pictures of the view made on different devices.

#include <QColor>
#include <QImage>
#include <cstdlib>

// The share of pixels that differ by more than `tolerance` in some channel; 1 when the sizes
// differ.
inline double DifferingShare(const QImage& a, const QImage& b, int tolerance) {
    if (a.size() != b.size()) return 1;
    long long differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            differing += std::abs(p.red() - q.red()) > tolerance ||
                         std::abs(p.green() - q.green()) > tolerance ||
                         std::abs(p.blue() - q.blue()) > tolerance;
        }
    return static_cast<double>(differing) / (a.width() * a.height());
}
