#include "QtDC.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QString>
#include <algorithm>
#include <vector>

namespace {

QColor ToQColor(COLORREF c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
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
    m_painter.drawLine(m_at.x, m_at.y, x, y);
    m_at = {x, y};
}

namespace {

// A polyline whose x never moves by more than one step right covers, in each column, one
// unbroken run of pixels: its vertical segments there, and half of each segment to a
// neighbouring column. Filling those runs as rectangles draws what the lines would, far
// faster than stroking lines that run up and down the same columns. Returns false for any
// other polyline.
bool ColumnSpans(const CPoint* p, int count, int penWidth, std::vector<QRect>& rects) {
    rects.clear();
    int x = p[0].x, top = p[0].y, bottom = p[0].y;
    const auto flush = [&] {
        rects.emplace_back(x - (penWidth - 1) / 2, top, penWidth, bottom - top + 1);
    };
    for (int i = 1; i < count; ++i) {
        const int dx = p[i].x - p[i - 1].x;
        if (dx == 0) {
            top = std::min(top, p[i].y);
            bottom = std::max(bottom, p[i].y);
        } else if (dx == 1) {
            const int mid = p[i - 1].y + (p[i].y - p[i - 1].y) / 2;
            top = std::min(top, mid);
            bottom = std::max(bottom, mid);
            flush();
            x = p[i].x;
            top = std::min(mid, p[i].y);
            bottom = std::max(mid, p[i].y);
        } else {
            return false;
        }
    }
    flush();
    return true;
}

}  // namespace

void CQtDC::Polyline(const CPoint* points, int count) {
    if (count < 2) return;
    const int width = std::max(1, m_pen.width);
    std::vector<QRect> rects;
    if (ColumnSpans(points, count, width, rects)) {
        // fillRect with a plain colour is the raster engine's fastest fill.
        const QColor color = ToQColor(m_pen.color);
        for (const QRect& r : rects) m_painter.fillRect(r, color);
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
