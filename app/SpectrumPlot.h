#pragma once
// The plot of the Spectrum dock: each curve's levels over a frequency axis, linear or in dB,
// each curve's strongest peak marked. The wheel and keys move it as they move the trace's
// plot: the wheel pans, Ctrl+wheel zooms about the pointer, Left/Right/PageUp/PageDown/Home/End
// pan, Ctrl+Plus and Ctrl+Minus zoom about the middle, Ctrl+0 shows every bin. The pointer
// reads the frequency and each curve's level at it.

#include <QColor>
#include <QWidget>
#include <string>
#include <vector>

#include "trace/stats/Spectrum.h"

class CSpectrumPlot : public QWidget {
public:
    struct Curve {
        std::string name, unit;
        QColor color;
        const CurveSpectrum* levels = nullptr;
    };
    explicit CSpectrumPlot(QWidget* parent);

    // What to draw; the frequency range is kept when the transform's size is.
    void SetSpectrum(std::vector<Curve> curves, const FrequencyAxis& axis, int size);
    void SetDecibels(bool db);
    // Drawn in grey: not the spectrum of what is selected now.
    void SetStale(bool stale);
    void Clear();
    // The bins shown, from first to last (fractions at the edges).
    double FirstBin() const { return m_first; }
    double LastBin() const { return m_last; }
    void ShowBins(double first, double last);
    // The line the pointer's position reads, as shown above the plot.
    QString PointerText() const { return m_pointerText; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    QRect PlotRect() const;
    double BinAt(double x) const;
    double XOf(double bin) const;
    double Level(float amplitude) const;
    // The levels' range over the bins shown, rounded out to the grid.
    void LevelRange(double& low, double& high) const;
    void DrawGrid(class QPainter& p, const QRect& r, double low, double high) const;
    // nth: the curve's place; its peak's label goes a line below the one before it.
    void DrawCurve(QPainter& p, const QRect& r, const Curve& c, int nth, double low,
                   double high) const;
    void ZoomAbout(double bin, double factor);
    void Pan(double fraction);
    int Bins() const { return m_nSize / 2 + 1; }

    std::vector<Curve> m_curves;
    FrequencyAxis m_axis{1, 1, "Hz"};
    int m_nSize = 0;
    bool m_bDb = false;
    bool m_bStale = false;
    double m_first = 0, m_last = 1;
    QString m_pointerText;
};
