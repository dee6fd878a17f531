#include "app/SpectrumPlot.h"

#include <fmt/format.h>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>

#include "framework/gui/QtText.h"

namespace {

constexpr int kLeft = 64, kRight = 12, kTop = 22, kBottom = 24;
constexpr double kDbSpan = 120;  // shown below the highest level in dB

// A grid step of 1, 2 or 5 times a power of ten, about `count` of them across `span`.
double NiceStep(double span, int count) {
    if (!(span > 0)) return 1;
    const double raw = span / count, power = std::pow(10, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0})
        if (m * power >= raw) return m * power;
    return 10 * power;
}

}  // namespace

CSpectrumPlot::CSpectrumPlot(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(240, 160);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
}

void CSpectrumPlot::SetSpectrum(std::vector<Curve> curves, const FrequencyAxis& axis, int size) {
    m_curves = std::move(curves);
    m_axis = axis;
    if (size != m_nSize) {
        m_nSize = size;
        ShowBins(0, Bins() - 1);
    }
    update();
}

void CSpectrumPlot::SetDecibels(bool db) {
    m_bDb = db;
    update();
}

void CSpectrumPlot::SetStale(bool stale) {
    m_bStale = stale;
    update();
}

void CSpectrumPlot::Clear() {
    m_curves.clear();
    m_pointerText.clear();
    update();
}

void CSpectrumPlot::ShowBins(double first, double last) {
    const double most = std::max(Bins() - 1, 1);
    // Never closer than 4 bins across, never past either end.
    const double span = std::clamp(last - first, std::min(4.0, most), most);
    first = std::clamp(first, 0.0, most - span);
    m_first = first;
    m_last = first + span;
    m_pointerText.clear();  // read again when the pointer next moves
    update();
}

QRect CSpectrumPlot::PlotRect() const {
    return QRect(kLeft, kTop, std::max(width() - kLeft - kRight, 1),
                 std::max(height() - kTop - kBottom, 1));
}

double CSpectrumPlot::BinAt(double x) const {
    const QRect r = PlotRect();
    return m_first + (x - r.left()) * (m_last - m_first) / r.width();
}

double CSpectrumPlot::XOf(double bin) const {
    const QRect r = PlotRect();
    return r.left() + (bin - m_first) * r.width() / (m_last - m_first);
}

double CSpectrumPlot::Level(float amplitude) const {
    return m_bDb ? Decibels(amplitude) : amplitude;
}

void CSpectrumPlot::LevelRange(double& low, double& high) const {
    double top = -std::numeric_limits<double>::infinity();
    const auto from = static_cast<std::size_t>(std::max(0.0, std::floor(m_first)));
    for (const Curve& c : m_curves)
        for (std::size_t k = from; k < c.levels->amplitude.size() && k <= m_last + 1; ++k)
            top = std::max(top, Level(c.levels->amplitude[k]));
    if (m_bDb) {
        high = std::isfinite(top) ? std::ceil(top / 10) * 10 + 10 : 0;
        low = high - kDbSpan;
    } else {
        low = 0;
        high = top > 0 && std::isfinite(top) ? top * 1.1 : 1;
    }
}

void CSpectrumPlot::DrawGrid(QPainter& p, const QRect& r, double low, double high) const {
    p.setPen(QColor(221, 221, 221));
    const QColor text(90, 90, 90);
    const double fStep = NiceStep(m_axis.At(m_last) - m_axis.At(m_first), 6);
    for (double f = std::ceil(m_axis.At(m_first) / fStep) * fStep; f <= m_axis.At(m_last);
         f += fStep) {
        const double x = XOf(f / m_axis.At(1));
        p.setPen(QColor(221, 221, 221));
        p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
        p.setPen(text);
        p.drawText(QRectF(x - 60, r.bottom() + 2, 120, kBottom - 2),
                   Qt::AlignHCenter | Qt::AlignTop,
                   ToQString(m_axis.Text(std::abs(f) < fStep / 2 ? 0 : f)));
    }
    const double yStep = NiceStep(high - low, 5);
    for (double v = std::ceil(low / yStep) * yStep; v <= high; v += yStep) {
        const double y = r.bottom() - (v - low) * r.height() / (high - low);
        p.setPen(QColor(221, 221, 221));
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
        p.setPen(text);
        p.drawText(QRectF(0, y - 8, kLeft - 4, 16), Qt::AlignRight | Qt::AlignVCenter,
                   ToQString(fmt::format("{:.4g}{}", std::abs(v) < yStep / 2 ? 0 : v,
                                         m_bDb ? " dB" : "")));
    }
    p.setPen(QColor(160, 160, 160));
    p.drawRect(r.adjusted(0, 0, -1, -1));
}

// A column of the plot covering several bins draws their lowest to their highest level, so
// no narrow peak falls between pixels; where bins are wider than a pixel, lines join them.
void CSpectrumPlot::DrawCurve(QPainter& p, const QRect& r, const Curve& c, int nth, double low,
                              double high) const {
    const std::vector<float>& a = c.levels->amplitude;
    if (a.empty()) return;
    const auto y = [&](double v) {
        if (!std::isfinite(v)) v = v > 0 ? high : low;  // 0 in dB is -inf: the bottom
        return r.bottom() - (std::clamp(v, low, high) - low) * r.height() / (high - low);
    };
    QPainterPath path;
    const double perPixel = (m_last - m_first) / r.width();
    if (perPixel <= 1) {
        const auto from = static_cast<std::size_t>(std::max(0.0, std::floor(m_first)));
        const auto to = std::min(a.size() - 1, static_cast<std::size_t>(std::ceil(m_last)));
        for (std::size_t k = from; k <= to; ++k) {
            const QPointF at(XOf(static_cast<double>(k)), y(Level(a[k])));
            k == from ? path.moveTo(at) : path.lineTo(at);
        }
    } else {
        for (int x = r.left(); x <= r.right(); ++x) {
            const auto b0 = static_cast<std::size_t>(std::max(0.0, std::round(BinAt(x))));
            const auto b1 =
                std::min(a.size(), static_cast<std::size_t>(std::round(BinAt(x + 1))) + 1);
            if (b0 >= b1) continue;
            const auto [lo, hi] = std::minmax_element(a.begin() + static_cast<std::ptrdiff_t>(b0),
                                                      a.begin() + static_cast<std::ptrdiff_t>(b1));
            const QPointF top(x, y(Level(*hi))), bottom(x, y(Level(*lo)));
            path.isEmpty() ? path.moveTo(bottom) : path.lineTo(bottom);
            path.lineTo(top);
        }
    }
    // One pixel, not smoothed: QPainter's fast line path, a few milliseconds for any size.
    p.setPen(QPen(m_bStale ? QColor(190, 190, 190) : c.color, 0));
    p.drawPath(path);
    // The peak: a ring and its frequency.
    const int peak = c.levels->peak;
    if (peak >= 0 && peak >= m_first && peak <= m_last) {
        const QPointF at(XOf(peak), y(Level(a[static_cast<std::size_t>(peak)])));
        p.drawEllipse(at, 4, 4);
        const QPointF label(at.x() + 6, std::max<double>(r.top() + 12, at.y() - 4) + 13 * nth);
        p.drawText(label, ToQString(m_axis.Text(m_axis.At(peak))));
    }
}

void CSpectrumPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = PlotRect();
    if (m_curves.empty() || m_nSize == 0) {
        p.setPen(QColor(120, 120, 120));
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("No spectrum"));
        return;
    }
    double low = 0, high = 1;
    LevelRange(low, high);
    DrawGrid(p, r, low, high);
    p.setClipRect(r);
    for (std::size_t i = 0; i < m_curves.size(); ++i)
        DrawCurve(p, r, m_curves[i], static_cast<int>(i), low, high);
    p.setClipping(false);
    p.setPen(Qt::black);
    p.drawText(QRect(kLeft, 2, width() - kLeft, kTop - 4), Qt::AlignLeft | Qt::AlignVCenter,
               m_pointerText);
}

void CSpectrumPlot::mouseMoveEvent(QMouseEvent* event) {
    if (m_curves.empty() || m_nSize == 0) return;
    const double bin = std::round(BinAt(event->position().x()));
    if (bin < 0 || bin > Bins() - 1 || !PlotRect().contains(event->position().toPoint())) {
        m_pointerText.clear();
    } else {
        std::string text = m_axis.Text(m_axis.At(bin));
        for (const Curve& c : m_curves) {
            const float a = c.levels->amplitude[static_cast<std::size_t>(bin)];
            text += fmt::format("   {} {:.6g} {}{}", c.name, Level(a), m_bDb ? "dB" : "", c.unit);
        }
        m_pointerText = ToQString(text);
    }
    update();
}

void CSpectrumPlot::leaveEvent(QEvent*) {
    m_pointerText.clear();
    update();
}

void CSpectrumPlot::ZoomAbout(double bin, double factor) {
    ShowBins(bin - (bin - m_first) * factor, bin + (m_last - bin) * factor);
}

void CSpectrumPlot::Pan(double fraction) {
    const double by = (m_last - m_first) * fraction;
    ShowBins(m_first + by, m_last + by);
}

void CSpectrumPlot::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y() / 120;
    if (notches == 0) return;
    if (event->modifiers() & Qt::ControlModifier)
        ZoomAbout(BinAt(event->position().x()), notches > 0 ? 0.5 : 2);
    else
        Pan(-0.1 * notches);
    event->accept();
}

// The window's own shortcuts for these keys zoom the trace; here they zoom the spectrum.
bool CSpectrumPlot::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & Qt::ControlModifier) &&
            (key->key() == Qt::Key_Plus || key->key() == Qt::Key_Equal ||
             key->key() == Qt::Key_Minus || key->key() == Qt::Key_0)) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void CSpectrumPlot::keyPressEvent(QKeyEvent* event) {
    const double middle = (m_first + m_last) / 2;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
        case Qt::Key_Left:
            return Pan(-0.1);
        case Qt::Key_Right:
            return Pan(0.1);
        case Qt::Key_PageUp:
            return Pan(-0.9);
        case Qt::Key_PageDown:
            return Pan(0.9);
        case Qt::Key_Home:
            return ShowBins(0, m_last - m_first);
        case Qt::Key_End:
            return ShowBins(Bins() - 1 - (m_last - m_first), Bins() - 1);
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            if (ctrl) return ZoomAbout(middle, 0.5);
            break;
        case Qt::Key_Minus:
            if (ctrl) return ZoomAbout(middle, 2);
            break;
        case Qt::Key_0:
            if (ctrl) return ShowBins(0, Bins() - 1);
            break;
        default:
            break;
    }
    QWidget::keyPressEvent(event);
}
