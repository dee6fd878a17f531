#pragma once
// The Spectrum dock: the amplitude spectrum of every shown curve over the selection (the whole
// trace without one), with its window, linear or dB levels and Welch's segment size, each
// curve's strongest peak listed, and a button that puts the levels on the clipboard as
// tab-separated text. Computed on a worker while the dock is shown; a new selection stops the
// work for the old one.

#include <QDockWidget>
#include <functional>
#include <string>
#include <vector>

#include "trace/stats/Spectrum.h"

class CtesqDoc;
class CDockWork;
class CSpectrumPlot;
class QComboBox;
class QLabel;
class QPushButton;

class CSpectrumDock : public QDockWidget {
public:
    CSpectrumDock(CtesqDoc& doc, std::function<QColor(int)> curveColor, QWidget* parent);
    ~CSpectrumDock() override;

    // Computes again, on a worker, when anything it shows has changed (called when idle).
    void Refresh();
    // Waits for the spectrum being computed and shows it (tests).
    void Settle();
    bool Computing() const;
    // The frequencies, then each shown curve's level, tab-separated, as its button copies them.
    std::string TableText() const;

    CSpectrumPlot* m_pPlot;
    QComboBox* m_pWindow;
    QComboBox* m_pScale;
    QComboBox* m_pSegment;
    QLabel* m_pRange;
    QLabel* m_pPeaks;
    QPushButton* m_pCopy;
    std::function<void()> m_afterCopy;

private:
    struct Key {
        int start = -1, end = -1, count = -1, curves = -1;
        unsigned long long revision = 0;
        int hidden[8] = {};
        int window = -1, segment = 0;
        bool operator==(const Key&) const = default;
    };
    Key CurrentKey() const;
    void Start(const Key& key);
    void Show(const Key& key, Spectrum spectrum, std::vector<int> curves);
    void ShowPlot();

    CtesqDoc& m_doc;
    std::function<QColor(int)> m_curveColor;
    Key m_shown;
    Spectrum m_spectrum;
    std::vector<int> m_curves;  // the trace's curve of each of m_spectrum's
    FrequencyAxis m_axis{1, 1, "Hz"};

    CDockWork* m_pWork;
};
