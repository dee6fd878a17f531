#pragma once
// The Measurements dock: what the selection holds (range, times, duration, count) and, per
// curve, its extremes, peak-to-peak, mean, RMS, standard deviation, first and last value and
// skipped NaN samples. Recomputed from the samples when the selection or the data changes,
// while the dock is shown; "Copy" puts the table on the clipboard as tab-separated text.

#include <QDockWidget>
#include <functional>
#include <string>

class CtesqDoc;
class QLabel;
class QTableWidget;

class CMeasurementsDock : public QDockWidget {
public:
    CMeasurementsDock(CtesqDoc& doc, QWidget* parent);

    // Recomputes when anything it shows has changed; cheap otherwise (called when idle).
    void Refresh();
    // The table as tab-separated lines, as "Copy" puts it on the clipboard.
    std::string TableText() const;

    QTableWidget* m_pTable;
    QLabel* m_pRange;
    // Called after Copy, to give the keys back to the plot.
    std::function<void()> m_afterCopy;

private:
    struct Key {
        int start = -1, end = -1, count = -1, curves = -1;
        unsigned long long revision = 0;
        int hidden[8] = {};
        bool operator==(const Key&) const = default;
    };
    Key CurrentKey() const;

    CtesqDoc& m_doc;
    Key m_shown;
};
