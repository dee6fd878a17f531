#include "framework/gui/QtDC.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "framework/gui/QtText.h"

namespace {

QColor ToQColor(COLORREF c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

}  // namespace

CQtDC::CQtDC(QPainter& painter, CPoint origin) : m_painter(painter), m_origin(origin) {
    // Logical columns to device pixels: the scroll offset is a translation.
    m_painter.translate(-origin.x, -origin.y);
    SelectPen(m_pen);
    SetBkMode(m_mode);
    SetBkColor(m_background);
}

CPen CQtDC::SelectPen(const CPen& pen) {
    const CPen previous = m_pen;
    m_pen = pen;
    QPen qpen(ToQColor(pen.color));
    qpen.setWidth(pen.width);
    qpen.setCapStyle(Qt::FlatCap);
    m_painter.setPen(qpen);
    return previous;
}

void CQtDC::MoveTo(int x, int y) {
    m_at = {x, y};
}

void CQtDC::LineTo(int x, int y) {
    // A line from a point to itself draws nothing on the desktop; QPainter would draw a dot.
    if (x != m_at.x || y != m_at.y) m_painter.drawLine(m_at.x, m_at.y, x, y);
    m_at = {x, y};
}

namespace {

// The bar of one column: its first and last pixel row.
struct Bar {
    int top;
    int bottom;
};

// A polyline whose x never moves by more than one step right covers, in each column, one
// unbroken run of pixels: its vertical segments there, and half of each segment to a
// neighbouring column. Returns false for any other polyline.
bool ColumnBars(const CPoint* p, int count, std::vector<Bar>& bars) {
    bars.clear();
    int top = p[0].y, bottom = p[0].y;
    for (int i = 1; i < count; ++i) {
        const int dx = p[i].x - p[i - 1].x;
        if (dx == 0) {
            top = std::min(top, p[i].y);
            bottom = std::max(bottom, p[i].y);
        } else if (dx == 1) {
            const int mid = p[i - 1].y + (p[i].y - p[i - 1].y) / 2;
            bars.push_back({std::min(top, mid), std::max(bottom, mid)});
            top = std::min(mid, p[i].y);
            bottom = std::max(mid, p[i].y);
        } else {
            return false;
        }
    }
    bars.push_back({top, bottom});
    return true;
}

// Fills the union of the bars of columns x0, x0 + 1, ... (each `width` pixels wide) row by
// row. Bars that run up and down the whole plot, as a zoomed-out trace's do, touch every row
// once per column; the rows of their union are a few long runs, and a run that stays the same
// from row to row is filled once as one rectangle.
void FillBarsByRows(QPainter& painter, int x0, const std::vector<Bar>& bars, int width,
                    const QColor& color, int firstRow, int lastRow) {
    const int n = static_cast<int>(bars.size());
    int top = lastRow + 1, bottom = firstRow - 1;
    for (const Bar& b : bars) {
        top = std::min(top, std::max(b.top, firstRow));
        bottom = std::max(bottom, std::min(b.bottom, lastRow));
    }
    if (top > bottom) return;
    const int rows = bottom - top + 1;
    // Columns listed by the row they start on and the row they end on.
    std::vector<int> startHead(static_cast<std::size_t>(rows), -1),
        endHead(static_cast<std::size_t>(rows), -1);
    std::vector<int> nextStart(static_cast<std::size_t>(n)), nextEnd(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const int s = std::max(bars[static_cast<std::size_t>(i)].top, top) - top;
        const int e = std::min(bars[static_cast<std::size_t>(i)].bottom, bottom) - top;
        if (s > e) continue;
        nextStart[static_cast<std::size_t>(i)] =
            std::exchange(startHead[static_cast<std::size_t>(s)], i);
        nextEnd[static_cast<std::size_t>(i)] =
            std::exchange(endHead[static_cast<std::size_t>(e)], i);
    }
    std::vector<std::uint64_t> active(static_cast<std::size_t>((n + 63) / 64), 0);
    // The first column at or after i whose bit is `wanted`, or n.
    const auto next = [&](int i, bool wanted) {
        while (i < n) {
            std::uint64_t word = active[static_cast<std::size_t>(i >> 6)];
            if (!wanted) word = ~word;
            word &= ~std::uint64_t{0} << (i & 63);
            if (word != 0) return std::min(n, (i & ~63) + __builtin_ctzll(word));
            i = (i & ~63) + 64;
        }
        return n;
    };
    struct Span {
        int left, right, fromRow;  // pixels [left, right), open since fromRow
    };
    std::vector<Span> open, now;
    const int offset = (width - 1) / 2;
    const auto close = [&](const Span& s, int row) {
        painter.fillRect(QRect(s.left, s.fromRow + top, s.right - s.left, row - s.fromRow), color);
    };
    bool dirty = false;
    for (int r = 0; r < rows; ++r) {
        for (int i = startHead[static_cast<std::size_t>(r)]; i >= 0;
             i = nextStart[static_cast<std::size_t>(i)]) {
            active[static_cast<std::size_t>(i >> 6)] |= std::uint64_t{1} << (i & 63);
            dirty = true;
        }
        if (dirty) {
            now.clear();
            for (int a = next(0, true); a < n;) {
                const int b = next(a, false);  // columns [a, b) are active
                const int left = x0 + a - offset, right = x0 + b - 1 - offset + width;
                if (!now.empty() && left <= now.back().right)
                    now.back().right = std::max(now.back().right, right);
                else
                    now.push_back({left, right, r});
                a = next(b, true);
            }
            // Spans that stay as they were stay open; the others are filled up to this row.
            std::size_t k = 0;
            for (Span& s : now) {
                while (k < open.size() && (open[k].left < s.left ||
                                           (open[k].left == s.left && open[k].right != s.right)))
                    close(open[k++], r);
                if (k < open.size() && open[k].left == s.left && open[k].right == s.right)
                    s.fromRow = open[k++].fromRow;
            }
            while (k < open.size()) close(open[k++], r);
            open.swap(now);
            dirty = false;
        }
        for (int i = endHead[static_cast<std::size_t>(r)]; i >= 0;
             i = nextEnd[static_cast<std::size_t>(i)]) {
            active[static_cast<std::size_t>(i >> 6)] &= ~(std::uint64_t{1} << (i & 63));
            dirty = true;
        }
    }
    for (const Span& s : open) close(s, rows);
}

}  // namespace

void CQtDC::Polyline(const CPoint* points, int count) {
    if (count < 2) return;
    const int width = std::max(1, m_pen.width);
    std::vector<Bar> bars;
    if (ColumnBars(points, count, bars)) {
        // Rows outside the device are never seen.
        const int lastRow =
            m_painter.device() != nullptr ? m_painter.device()->height() - 1 : 1 << 16;
        FillBarsByRows(m_painter, points[0].x, bars, width, ToQColor(m_pen.color), 0, lastRow);
        return;
    }
    // Any other polyline: one-pixel lines take the raster engine's fast path, where a wider
    // pen would fill the whole polyline as one path; a pen w wide is drawn as w lines side
    // by side. CPoint is two ints, laid out as QPoint is.
    static_assert(sizeof(CPoint) == sizeof(QPoint));
    const auto* q = reinterpret_cast<const QPoint*>(points);
    m_painter.save();
    QPen thin = m_painter.pen();
    thin.setWidth(0);
    m_painter.setPen(thin);
    for (int k = 0; k < width; ++k) {
        const int dx = k - (width - 1) / 2;
        m_painter.translate(dx, 0);
        m_painter.drawPolyline(q, count);
        m_painter.translate(-dx, 0);
    }
    m_painter.restore();
}

void CQtDC::TextOut(int x, int y, std::string_view text) {
    const QString s = ToQString(text);
    const QFontMetrics metrics(m_painter.font());
    const QRect box(x, y, metrics.horizontalAdvance(s), metrics.height());
    if (m_mode == OPAQUE) m_painter.fillRect(box, ToQColor(m_background));
    const QPen pen = m_painter.pen();
    m_painter.setPen(ToQColor(m_text));
    m_painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, s);
    m_painter.setPen(pen);
}

void CQtDC::DrawText(std::string_view text, const CRect& rect, unsigned format) {
    int flags = (format & DT_CENTER) ? Qt::AlignHCenter : Qt::AlignLeft;
    flags |= (format & DT_VCENTER) ? Qt::AlignVCenter : Qt::AlignTop;
    if (format & DT_SINGLELINE) flags |= Qt::TextSingleLine;
    const QRect box(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    const QString s = ToQString(text);
    if (m_mode == OPAQUE) {
        const QRect used = m_painter.boundingRect(box, flags, s);
        m_painter.fillRect(used, ToQColor(m_background));
    }
    const QPen pen = m_painter.pen();
    m_painter.setPen(ToQColor(m_text));
    m_painter.drawText(box, flags, s);
    m_painter.setPen(pen);
}

COLORREF CQtDC::SetTextColor(COLORREF color) {
    return std::exchange(m_text, color);
}

COLORREF CQtDC::SetBkColor(COLORREF color) {
    return std::exchange(m_background, color);
}

int CQtDC::SetBkMode(int mode) {
    return std::exchange(m_mode, mode);
}
