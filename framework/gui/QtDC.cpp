#include "QtDC.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QString>

namespace {

QColor ToQColor(COLORREF c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
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

void CQtDC::MoveTo(int x, int y) { m_at = {x, y}; }

void CQtDC::LineTo(int x, int y) {
    m_painter.drawLine(m_at.x, m_at.y, x, y);
    m_at = {x, y};
}

void CQtDC::Polyline(const CPoint* points, int count) {
    // CPoint is two ints, laid out as QPoint is.
    static_assert(sizeof(CPoint) == sizeof(QPoint));
    if (count >= 2) m_painter.drawPolyline(reinterpret_cast<const QPoint*>(points), count);
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

COLORREF CQtDC::SetTextColor(COLORREF color) { return std::exchange(m_text, color); }

COLORREF CQtDC::SetBkColor(COLORREF color) { return std::exchange(m_background, color); }

int CQtDC::SetBkMode(int mode) { return std::exchange(m_mode, mode); }
