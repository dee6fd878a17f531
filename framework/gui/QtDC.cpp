#include "framework/gui/QtDC.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "framework/core/TwoThreads.h"
#include "framework/gui/QtText.h"
#include "framework/gui/WideStroke.h"

QColor ToQColor(COLORREF c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

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
    // A line from a point to itself draws nothing, so that a flat run ends where it ends;
    // QPainter would draw a dot.
    if (x != m_at.x || y != m_at.y) m_painter.drawLine(m_at.x, m_at.y, x, y);
    m_at = {x, y};
}

namespace {

// The rectangles that fill runs of pixels (column by column, top to bottom), row by row: a
// zoomed-out trace's columns run up and down the whole plot, and the rows of their union are
// a few long spans; a span that stays the same from row to row is one rectangle. Only the
// span a run starts or ends in changes at that row, so the work follows the runs' ends, not
// the pixels: a span is the stretch of set columns around one, found a word at a time.
std::vector<QRect> RunRects(int x0, const std::vector<PixelRun>& runs) {
    std::vector<QRect> rects;
    if (runs.empty()) return rects;
    const int firstColumn = runs.front().column, n = runs.back().column - firstColumn + 1;
    int top = runs.front().top, bottom = runs.front().bottom;
    for (const PixelRun& r : runs) {
        top = std::min(top, r.top);
        bottom = std::max(bottom, r.bottom);
    }
    const int rows = bottom - top + 1;
    const int m = static_cast<int>(runs.size());
    // Runs listed by the row they start on and the row they end on.
    std::vector<int> startHead(static_cast<std::size_t>(rows), -1),
        endHead(static_cast<std::size_t>(rows), -1);
    std::vector<int> nextStart(static_cast<std::size_t>(m)), nextEnd(static_cast<std::size_t>(m));
    for (int i = 0; i < m; ++i) {
        const PixelRun& r = runs[static_cast<std::size_t>(i)];
        nextStart[static_cast<std::size_t>(i)] =
            std::exchange(startHead[static_cast<std::size_t>(r.top - top)], i);
        nextEnd[static_cast<std::size_t>(i)] =
            std::exchange(endHead[static_cast<std::size_t>(r.bottom - top)], i);
    }
    const int words = (n + 63) / 64;
    std::vector<std::uint64_t> active(static_cast<std::size_t>(words), 0);
    // Of an open span, by its first column: the row it has been the same since.
    std::vector<int> since(static_cast<std::size_t>(n), 0);
    const auto word = [&](int c) -> std::uint64_t& {
        return active[static_cast<std::size_t>(c >> 6)];
    };
    const auto isSet = [&](int c) { return c >= 0 && c < n && ((word(c) >> (c & 63)) & 1) != 0; };
    // The first and last column of the set stretch around the set column c.
    const auto spanLeft = [&](int c) {
        int w = c >> 6;
        std::uint64_t clear =
            ~active[static_cast<std::size_t>(w)] &
            ((c & 63) == 63 ? ~std::uint64_t{0} : (std::uint64_t{2} << (c & 63)) - 1);
        while (clear == 0) {
            if (w == 0) return 0;
            clear = ~active[static_cast<std::size_t>(--w)];
        }
        return w * 64 + 64 - __builtin_clzll(clear);
    };
    const auto spanRight = [&](int c) {
        int w = c >> 6;
        std::uint64_t clear =
            ~active[static_cast<std::size_t>(w)] & (~std::uint64_t{0} << (c & 63));
        while (clear == 0) {
            if (++w == words) return n - 1;
            clear = ~active[static_cast<std::size_t>(w)];
        }
        return std::min(n, w * 64 + __builtin_ctzll(clear)) - 1;
    };
    // Columns a .. b, rows from .. to-1.
    const auto fill = [&](int a, int b, int from, int to) {
        if (to > from) rects.emplace_back(x0 + firstColumn + a, top + from, b - a + 1, to - from);
    };
    const auto at = [](std::vector<int>& v, int i) -> int& {
        return v[static_cast<std::size_t>(i)];
    };
    for (int r = 0; r < rows; ++r) {
        for (int i = at(startHead, r); i >= 0; i = at(nextStart, i)) {
            const int c = runs[static_cast<std::size_t>(i)].column - firstColumn;
            const int a = isSet(c - 1) ? spanLeft(c - 1) : c;
            const int b = isSet(c + 1) ? spanRight(c + 1) : c;
            if (a < c) fill(a, c - 1, at(since, a), r);
            if (b > c) fill(c + 1, b, at(since, c + 1), r);
            word(c) |= std::uint64_t{1} << (c & 63);
            at(since, a) = r;
        }
        for (int i = at(endHead, r); i >= 0; i = at(nextEnd, i)) {
            const int c = runs[static_cast<std::size_t>(i)].column - firstColumn;
            const int a = spanLeft(c), b = spanRight(c);
            fill(a, b, at(since, a), r + 1);
            word(c) &= ~(std::uint64_t{1} << (c & 63));
            if (a < c) at(since, a) = r + 1;
            if (b > c) at(since, c + 1) = r + 1;
        }
    }
    return rects;
}

// The last device row where a wide stroke may be worked out here: only where logical and
// device rows are one and columns only shift (the view's case); nothing elsewhere.
std::optional<int> StrokeLastRow(const QPainter& painter, CPoint origin) {
    if (origin.y != 0 || painter.transform().type() > QTransform::TxTranslate) return {};
    return painter.device() != nullptr ? painter.device()->height() - 1 : 1 << 16;
}

// The rectangles of a wide pen's stroke: the pixels QPainter's own stroke sets, in linear
// time. False where QPainter strokes it itself.
bool StrokeRects(std::optional<int> lastRow, int originX, const CPoint* points, int count,
                 int width, std::vector<QRect>& rects) {
    if (width <= 1 || !lastRow) return false;
    std::vector<PixelRun> runs;
    if (!WideStrokeRuns(points, count, width, originX, *lastRow, runs)) return false;
    rects = RunRects(originX, runs);
    return true;
}

void FillRects(QPainter& painter, const std::vector<QRect>& rects, const QColor& color) {
    for (const QRect& r : rects) painter.fillRect(r, color);
}

}  // namespace

void CQtDC::Polyline(const CPoint* points, int count) {
    if (count < 2) return;
    static_assert(sizeof(CPoint) == sizeof(QPoint));  // two ints, laid out alike
    const auto* q = reinterpret_cast<const QPoint*>(points);
    if (std::vector<QRect> rects; StrokeRects(StrokeLastRow(m_painter, m_origin), m_origin.x,
                                              points, count, m_pen.width, rects)) {
        FillRects(m_painter, rects, ToQColor(m_pen.color));
        return;
    }
    m_painter.drawPolyline(q, count);
}

void CQtDC::Polylines(const std::vector<CPolylineJob>& jobs) {
    // The strokes worked out on two threads, then filled in order on this one, where the
    // painter is: a later curve still covers an earlier one.
    struct Stroke {
        bool rects = false;
        std::vector<QRect> fill;
    };
    std::vector<Stroke> strokes(jobs.size());
    const std::optional<int> lastRow = StrokeLastRow(m_painter, m_origin);
    ForEachOnTwoThreads(static_cast<int>(jobs.size()), [&](int k) {
        const CPolylineJob& job = jobs[static_cast<std::size_t>(k)];
        Stroke& s = strokes[static_cast<std::size_t>(k)];
        s.rects = job.count >= 2 &&
                  StrokeRects(lastRow, m_origin.x, job.points, job.count, job.pen.width, s.fill);
    });
    for (std::size_t k = 0; k < jobs.size(); ++k) {
        SelectPen(jobs[k].pen);
        if (strokes[k].rects)
            FillRects(m_painter, strokes[k].fill, ToQColor(jobs[k].pen.color));
        else
            Polyline(jobs[k].points, jobs[k].count);
    }
}

void CQtDC::FillSolidRect(const CRect& rect, COLORREF color) {
    m_painter.fillRect(QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top),
                       ToQColor(color));
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
