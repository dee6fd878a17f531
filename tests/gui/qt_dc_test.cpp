// The device context over QPainter: the view's wide curves set exactly the pixels QPainter's
// own stroke of the same pen sets.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <random>

#include "framework/gui/QtDC.h"

namespace {

// Random polylines as the view makes them: x steps by 0 or 1; noisy, flat and near-flat,
// and columns of first, largest, smallest, first; some reach past the picture's edges.
std::vector<CPoint> RandomPolyline(std::mt19937& rng, int originX) {
    std::vector<CPoint> points;
    int x = originX + static_cast<int>(rng() % 30) - 8;
    int y = 150;
    const unsigned kind = rng() % 4;
    for (int i = 0, n = 2 + static_cast<int>(rng() % 300); i < n; ++i) {
        if (i > 0 && rng() % 4 == 0) ++x;
        if (kind == 0) y = static_cast<int>(rng() % 400) - 40;  // noise, past top and bottom
        if (kind == 1) y += static_cast<int>(rng() % 3) - 1;    // slow, near flat
        if (kind == 2 && rng() % 9 == 0) y = 100 + static_cast<int>(rng() % 40);  // flat steps
        if (kind == 3) {  // a decimated column: first, max, min, first
            const int f = static_cast<int>(rng() % 300), a = static_cast<int>(rng() % 300);
            points.push_back({x, f});
            points.push_back({x, std::max(f, a)});
            points.push_back({x, std::min(f, a)});
            y = f;
        }
        points.push_back({x, y});
    }
    return points;
}

}  // namespace

TEST(QtDC, WideCurvesSetExactlyThePixelsOfQPaintersOwnStroke) {
    std::mt19937 rng(12);
    for (int round = 0; round < 300; ++round) {
        const int originX = static_cast<int>(rng() % 50);
        const std::vector<CPoint> points = RandomPolyline(rng, originX);
        QImage drawn(160, 320, QImage::Format_RGB32), expected(160, 320, QImage::Format_RGB32);
        drawn.fill(Qt::white);
        expected.fill(Qt::white);
        {
            QPainter painter(&drawn);
            CQtDC dc(painter, {originX, 0});
            dc.SelectPen({PS_SOLID, 2, RGB(255, 0, 0)});
            dc.Polyline(points.data(), static_cast<int>(points.size()));
        }
        {
            QPainter painter(&expected);
            painter.translate(-originX, 0);
            QPen pen(Qt::red);
            pen.setWidth(2);
            pen.setCapStyle(Qt::FlatCap);
            painter.setPen(pen);
            std::vector<QPoint> q;
            for (const CPoint& p : points) q.emplace_back(p.x, p.y);
            painter.drawPolyline(q.data(), static_cast<int>(q.size()));
        }
        ASSERT_EQ(drawn, expected) << "round " << round;
    }
}

// Strokes worked out on two threads are still painted in order: a later curve covers an
// earlier one where they cross, and pens QPainter strokes itself keep their place too.
TEST(QtDC, ABatchOfCurvesPaintsAsQPainterDrawsThemOneAfterAnother) {
    std::mt19937 rng(5);
    for (int round = 0; round < 40; ++round) {
        const int originX = static_cast<int>(rng() % 50);
        std::vector<std::vector<CPoint>> lines;
        std::vector<CPolylineJob> jobs;
        for (int k = 0; k < 6; ++k) lines.push_back(RandomPolyline(rng, originX));
        lines.push_back({{originX + 3, 40}});  // one point: nothing drawn
        for (std::size_t k = 0; k < lines.size(); ++k) {
            const int width = k == 2 ? 1 : 2;
            const COLORREF color = RGB(40 * static_cast<int>(k), 255 - 30 * static_cast<int>(k), 0);
            jobs.push_back(
                {{PS_SOLID, width, color}, lines[k].data(), static_cast<int>(lines[k].size())});
        }
        QImage drawn(160, 320, QImage::Format_RGB32), expected(160, 320, QImage::Format_RGB32);
        drawn.fill(Qt::white);
        expected.fill(Qt::white);
        {
            QPainter painter(&drawn);
            CQtDC dc(painter, {originX, 0});
            dc.Polylines(jobs);
        }
        {
            QPainter painter(&expected);
            painter.translate(-originX, 0);
            for (const CPolylineJob& job : jobs) {
                QPen pen(QColor(static_cast<int>(job.pen.color & 0xFF),
                                static_cast<int>((job.pen.color >> 8) & 0xFF), 0));
                pen.setWidth(job.pen.width);
                pen.setCapStyle(Qt::FlatCap);
                painter.setPen(pen);
                std::vector<QPoint> q;
                for (int i = 0; i < job.count; ++i)
                    q.emplace_back(job.points[i].x, job.points[i].y);
                if (q.size() >= 2) painter.drawPolyline(q.data(), static_cast<int>(q.size()));
            }
        }
        ASSERT_EQ(drawn, expected) << "round " << round;
    }
}
