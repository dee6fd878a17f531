// The device context over QPainter: the fast fill of the view's polylines against a plain
// per-column drawing of the same pen.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <random>

#include "framework/gui/QtDC.h"

TEST(QtDC, ColumnPolylinesCoverExactlyTheirColumnBars) {
    std::mt19937 rng(12);
    for (int round = 0; round < 200; ++round) {
        std::vector<CPoint> points;
        int x = static_cast<int>(rng() % 20);
        for (int i = 0, n = 2 + static_cast<int>(rng() % 400); i < n; ++i) {
            if (i > 0 && rng() % 5 < 2) ++x;
            points.push_back({x, static_cast<int>(rng() % 500) - 100});
        }
        QImage drawn(300, 300, QImage::Format_RGB32), expected(300, 300, QImage::Format_RGB32);
        drawn.fill(Qt::white);
        expected.fill(Qt::white);
        {
            QPainter painter(&drawn);
            CQtDC dc(painter, {0, 0});
            dc.SelectPen({PS_SOLID, 2, RGB(255, 0, 0)});
            dc.Polyline(points.data(), static_cast<int>(points.size()));
        }
        {
            // Each column: its vertical segments and half of each step to a neighbour.
            QPainter painter(&expected);
            int top = points[0].y, bottom = points[0].y;
            const auto bar = [&](int column) {
                painter.fillRect(column, top, 2, bottom - top + 1, Qt::red);
            };
            for (std::size_t i = 1; i < points.size(); ++i) {
                const CPoint a = points[i - 1], b = points[i];
                if (a.x == b.x) {
                    top = std::min(top, b.y);
                    bottom = std::max(bottom, b.y);
                    continue;
                }
                const int mid = a.y + (b.y - a.y) / 2;
                top = std::min(top, mid);
                bottom = std::max(bottom, mid);
                bar(a.x);
                top = std::min(mid, b.y);
                bottom = std::max(mid, b.y);
            }
            bar(points.back().x);
        }
        ASSERT_EQ(drawn, expected) << "round " << round;
    }
}
