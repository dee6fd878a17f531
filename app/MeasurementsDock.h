#pragma once
// The Measurements dock: what the selection holds (range, times, duration, count) and, per
// curve, its extremes, peak-to-peak, mean, RMS, standard deviation, first and last value and
// skipped NaN samples. Recomputed from the samples when the selection or the data changes,
// while the dock is shown; "Copy" puts the table on the clipboard as tab-separated text.
// Measures are rows and curves columns (at most 8 curves against 9 measures: the narrower
// way), each column as wide as the widest number it can show, so the dock never widens while
// the user selects; a narrow dock shows its curves smaller before they scroll.

#include <QDockWidget>
#include <QFont>
#include <functional>
#include <string>

#include "trace/stats/PulseTiming.h"
#include "trace/stats/Statistics.h"

class CtesqDoc;
class QLabel;
class QTableWidget;

class CMeasurementsDock : public QDockWidget {
public:
    CMeasurementsDock(CtesqDoc& doc, QWidget* parent);
    ~CMeasurementsDock() override;

    // Measures again, on a worker, when anything it shows has changed; cheap otherwise (called
    // when idle).
    void Refresh();
    // Waits for the measurement that runs and shows it (tests).
    void Settle();
    // A measurement runs on the worker.
    bool Measuring() const;
    // The range line, then one line per curve (a header line first), tab-separated, as "Copy"
    // puts it on the clipboard.
    std::string TableText() const;
    // The width that shows every column of the trace's curves without scrolling.
    int NaturalWidth() const;

    QTableWidget* m_pTable;
    QLabel* m_pRange;
    // Called after Copy, to give the keys back to the plot.
    std::function<void()> m_afterCopy;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Key {
        int start = -1, end = -1, count = -1, curves = -1;
        unsigned long long revision = 0;
        int hidden[8] = {};
        bool operator==(const Key&) const = default;
    };
    Key CurrentKey() const;
    std::string RangeLine(int start, int end, bool tabs = false) const;
    void StartMeasuring(const Key& key);
    void Show(const SelectionStats& stats);
    void ShowTiming(const std::vector<PulseTiming>& timing);
    // Vertical header texts: the level measures, a title row, then the timing measures with
    // the trace's units.
    QStringList RowNames() const;
    // A narrow dock shows every curve in a smaller font, then with fewer digits, before its
    // columns scroll (kFits in the .cpp).
    QFont FontOf(int level) const;
    int ColumnWidth(int level) const;
    int MeasureNamesWidth(int level) const;
    void Apply(int level);
    void FitColumns();

    CtesqDoc& m_doc;
    Key m_shown;
    SelectionStats m_stats;
    std::vector<PulseTiming> m_timing;  // per curve; empty until measured
    int m_nColumnWidth = 0;             // at the window's font and six digits
    QFont m_font;                       // the window's
    int m_nFit = 0;

    // The measurement on the worker; the doc stops it before it changes the samples.
    class CDockWork* m_pWork;
};
