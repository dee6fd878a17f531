#include "app/MeasurementsDock.h"

#include <fmt/format.h>

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <vector>

#include "app/DockWork.h"
#include "framework/core/File.h"
#include "framework/core/NumberText.h"
#include "framework/core/TwoThreads.h"
#include "framework/gui/QtText.h"
#include "trace/document/Document.h"
#include "trace/formats/io/FloatText.h"
#include "trace/model/TimeBase.h"
#include "trace/stats/PulseTiming.h"
#include "trace/stats/Statistics.h"

namespace {

const char* const kMeasures[] = {"Min",   "Max",  "Peak-to-peak",          "Mean", "RMS", "Std dev",
                                 "First", "Last", "\u0394 (last - first)", "NaN"};

// The timing section: each measure and what its number is in.
enum class In { level, count, time, hertz, percent };
struct TimingRow {
    const char* name;
    In in;
    PulseValue PulseTiming::*value;  // null for the counts
};
constexpr TimingRow kTiming[] = {
    {"Low", In::level, &PulseTiming::low},
    {"High", In::level, &PulseTiming::high},
    {"Amplitude", In::level, &PulseTiming::amplitude},
    {"Rising edges", In::count, nullptr},
    {"Falling edges", In::count, nullptr},
    {"Period", In::time, &PulseTiming::period},
    {"Frequency", In::hertz, &PulseTiming::frequency},
    {"Positive width", In::time, &PulseTiming::positiveWidth},
    {"Negative width", In::time, &PulseTiming::negativeWidth},
    {"Duty cycle", In::percent, &PulseTiming::duty},
    {"Rise time", In::time, &PulseTiming::riseTime},
    {"Fall time", In::time, &PulseTiming::fallTime},
    {"Overshoot", In::percent, &PulseTiming::overshoot},
    {"Undershoot", In::percent, &PulseTiming::undershoot},
};
constexpr int kLevelRows = static_cast<int>(std::size(kMeasures));
constexpr int kTimingTitleRow = kLevelRows;  // a row that names the section
constexpr int kRows = kLevelRows + 1 + static_cast<int>(std::size(kTiming));

// A measure as the samples' floats write it: the shortest text that reads back as the same
// float (a peak-to-peak of 0.124, computed in double from two floats, not 0.123999), cut to
// `digits` significant digits only where that text is longer. 0 digits: never cut.
std::string Value(double v, int digits = 0) {
    if (std::isnan(v)) return "-";
    // Past the floats' range (a peak-to-peak of two huge floats) the double is the measure.
    const float f = numtext::NarrowToFloat(v);
    if (std::isinf(f) && std::isfinite(v))
        return fmt::format("{:.{}g}", v, digits > 0 ? digits : 9);
    char text[32];
    const std::string shortest(float_text::RoundTripText(f, text));
    std::size_t significant = 0;
    bool leading = true;
    for (const char c : shortest.substr(0, shortest.find_first_of("eE"))) {
        if (c < '0' || c > '9') continue;
        leading = leading && c == '0';
        significant += !leading;
    }
    if (digits == 0 || significant <= static_cast<std::size_t>(digits)) return shortest;
    return fmt::format("{:.{}g}", v, digits);
}

// One curve's measures in the order of kMeasures.
std::vector<std::string> Cells(const CurveStats& c, int digits = 0) {
    const auto v = [digits](double x) { return Value(x, digits); };
    return {v(c.min), v(c.max),   v(c.max - c.min), v(c.mean),           v(c.rms),
            v(c.std), v(c.first), v(c.last),        v(c.last - c.first), std::to_string(c.nan)};
}

struct TimingCell {
    std::string text, why;
};

// One curve's timing in the order of kTiming: times scaled by the step (the trace's unit),
// frequencies in hertz; "-" and the reason where the signal allows no number.
std::vector<TimingCell> TimingCells(const PulseTiming& t, const CTraceData& trace, int digits = 0) {
    const double step = trace.m_dblStep;
    const double seconds = timebase::SecondsPerWord(trace.m_strStepUnit);
    const double hertz = 1 / (step * seconds);
    std::vector<TimingCell> cells;
    for (const TimingRow& row : kTiming) {
        if (row.value == nullptr) {
            cells.push_back({std::to_string(row.name[0] == 'R' ? t.rising : t.falling), {}});
            continue;
        }
        PulseValue v = t.*row.value;
        if (row.in == In::hertz && seconds == 0 && v.Known())
            v = {0, "the time unit \"" + trace.m_strStepUnit + "\" has no known length in seconds"};
        const double scale = row.in == In::time ? step : row.in == In::hertz ? hertz : 1;
        cells.push_back({v.Known() ? Value(v.value * scale, digits) : "-", v.why});
    }
    return cells;
}

// How the table fits a narrow dock, tried in turn: the widest number in the window's font
// with six digits, in a smaller font, then with four digits; past that the columns scroll.
struct Fit {
    int pointSizeLess;
    int digits;
    const char* widest;
};
constexpr Fit kFits[] = {{0, 6, "-8.88888e-88"}, {2, 6, "-8.88888e-88"}, {2, 4, "-8.888e-88"}};

}  // namespace

CMeasurementsDock::CMeasurementsDock(CtesqDoc& doc, QWidget* parent)
    : QDockWidget(QStringLiteral("Measurements"), parent), m_doc(doc) {
    setObjectName(QStringLiteral("Measurements"));
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    m_pRange = new QLabel(body);
    m_pRange->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pTable = new QTableWidget(kRows, 0, body);
    m_pTable->setVerticalHeaderLabels(RowNames());
    m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_font = m_pTable->font();
    m_nColumnWidth = ColumnWidth(0);
    m_pTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_pTable->horizontalHeader()->setTextElideMode(Qt::ElideRight);
    m_pTable->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Apply(0);
    auto* copy = new QPushButton(QStringLiteral("Copy"), body);
    QObject::connect(copy, &QPushButton::clicked, this, [this] {
        QApplication::clipboard()->setText(ToQString(TableText()));
        if (m_afterCopy) m_afterCopy();
    });
    // A long measurement shows how far it is, and may be stopped.
    m_pWork = new CDockWork(
        m_doc, body,
        [this] { m_pRange->setText(m_pRange->text() + QStringLiteral("\nMeasurement cancelled")); },
        [this] { m_shown = Key(); });
    layout->addWidget(m_pRange);
    layout->addLayout(m_pWork->Row());
    layout->addWidget(m_pTable, 1);
    layout->addWidget(copy, 0, Qt::AlignRight);
    setWidget(body);
}

CMeasurementsDock::~CMeasurementsDock() = default;

int CMeasurementsDock::NaturalWidth() const {
    const int curves = std::max(m_doc.Trace().m_nCurveCount, 1);
    const int margins = widget()->layout()->contentsMargins().left() +
                        widget()->layout()->contentsMargins().right();
    // Room for a vertical scroll bar too, which a low window needs.
    return m_pTable->verticalHeader()->sizeHint().width() + curves * m_nColumnWidth +
           2 * m_pTable->frameWidth() + margins + 4 +
           m_pTable->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

QFont CMeasurementsDock::FontOf(int level) const {
    const Fit& fit = kFits[level];
    QFont font = m_font;
    if (fit.pointSizeLess > 0 && font.pointSizeF() > 0)
        font.setPointSizeF(std::max(6.0, font.pointSizeF() - fit.pointSizeLess));
    return font;
}

int CMeasurementsDock::ColumnWidth(int level) const {
    // The widest number the format makes of a float's measures, with the cell's margins.
    return QFontMetrics(FontOf(level)).horizontalAdvance(QString::fromLatin1(kFits[level].widest)) +
           2 * m_pTable->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 8;
}

void CMeasurementsDock::Apply(int level) {
    const bool digitsChanged = kFits[level].digits != kFits[m_nFit].digits;
    m_nFit = level;
    m_pTable->setFont(FontOf(level));
    m_pTable->horizontalHeader()->setDefaultSectionSize(ColumnWidth(level));
    for (int i = 0; i < m_pTable->columnCount(); ++i)
        m_pTable->setColumnWidth(i, ColumnWidth(level));
    m_pTable->verticalHeader()->setDefaultSectionSize(QFontMetrics(FontOf(level)).height() + 6);
    if (digitsChanged) {
        m_shown = Key();  // the numbers again, in the new format
        Refresh();
    }
}

QStringList CMeasurementsDock::RowNames() const {
    QStringList names;
    for (const char* m : kMeasures) names.append(QString::fromUtf8(m));
    names.append(QStringLiteral("Timing"));
    const std::string& unit = m_doc.Trace().m_strStepUnit;
    for (const TimingRow& row : kTiming)
        names.append(ToQString(std::string(row.name) + (row.in == In::time      ? " (" + unit + ")"
                                                        : row.in == In::hertz   ? " (Hz)"
                                                        : row.in == In::percent ? " (%)"
                                                                                : "")));
    return names;
}

int CMeasurementsDock::MeasureNamesWidth(int level) const {
    int widest = 0;
    for (const QString& name : RowNames())
        widest = std::max(widest, QFontMetrics(FontOf(level)).horizontalAdvance(name));
    return widest;
}

void CMeasurementsDock::FitColumns() {
    const int curves = std::max(m_pTable->columnCount(), 1);
    // The row names take their room in each level's font too.
    const int names = m_pTable->verticalHeader()->width() - MeasureNamesWidth(m_nFit);
    const int room = m_pTable->width() - names - 2 * m_pTable->frameWidth() -
                     m_pTable->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    int level = 0;
    while (level + 1 < static_cast<int>(std::size(kFits)) &&
           curves * ColumnWidth(level) + MeasureNamesWidth(level) > room)
        ++level;
    if (level != m_nFit) Apply(level);
}

void CMeasurementsDock::resizeEvent(QResizeEvent* event) {
    QDockWidget::resizeEvent(event);
    FitColumns();
}

CMeasurementsDock::Key CMeasurementsDock::CurrentKey() const {
    Key k;
    k.start = m_doc.SelStart();
    k.end = m_doc.SelEnd();
    k.count = m_doc.Trace().m_nSampleCount;
    k.curves = m_doc.Trace().m_nCurveCount;
    k.revision = m_doc.DataRevision();
    for (int i = 0; i < 8; ++i) k.hidden[i] = m_doc.IsCurveHidden(i);
    return k;
}

std::string CMeasurementsDock::RangeLine(int start, int end, bool tabs) const {
    start = std::clamp(std::min(start, end), 0, m_doc.Trace().m_nSampleCount);
    end = std::clamp(std::max(start, end), 0, m_doc.Trace().m_nSampleCount);
    const std::string& unit = m_doc.Trace().m_strStepUnit;
    const auto text = [&](double t) { return timebase::ReadableText(t) + " " + unit; };
    const CTraceData& trace = m_doc.Trace();
    // For a spreadsheet each name and value in a cell of its own.
    const std::string_view form = tabs
                                      ? "Start\t{} ({})\tEnd\t{} ({})\tDuration\t{}\tSamples\t{}"
                                      : "Start {} ({})    End {} ({})    Duration {}    Samples {}";
    std::string line =
        fmt::format(fmt::runtime(form), start, text(trace.SampleTime(start)), end,
                    text(trace.SampleTime(end)), text(trace.Span(end - start)), end - start);
    // A range of no time has no frequency.
    const double seconds = trace.Span(end - start) * timebase::SecondsPerWord(unit);
    if (seconds > 0)
        line += (tabs ? "\t1/\u0394t\t" : "    1/\u0394t ") + timebase::HertzText(1 / seconds);
    return line;
}

void CMeasurementsDock::Refresh() {
    if (!isVisible()) return;
    const Key key = CurrentKey();
    if (key == m_shown) return;
    m_shown = key;
    StartMeasuring(key);
}

// The statistics on a worker: the window goes on, a new selection stops the measurement of
// the old one, and what is shown meanwhile is marked as not the selection's yet.
void CMeasurementsDock::StartMeasuring(const Key& key) {
    m_pWork->Stop();
    // One short line each, so that the range needs no width of its own.
    std::string range = RangeLine(key.start, key.end);
    for (std::size_t at = 0; (at = range.find("    ", at)) != std::string::npos;)
        range.replace(at, 4, "\n");
    m_pRange->setText(ToQString(range));
    for (int r = 0; r < m_pTable->rowCount(); ++r)
        for (int c = 0; c < m_pTable->columnCount(); ++c)
            if (QTableWidgetItem* item = m_pTable->item(r, c))
                item->setForeground(QColor(190, 190, 190));
    // The statistics' pass, then the timing's two (three where the extremes are not finite).
    const std::int64_t total =
        3 * static_cast<std::int64_t>(std::abs(key.end - key.start)) * std::max(key.curves, 1);
    const CTraceData& trace = m_doc.Trace();
    const CStatsIndex* indexes = m_doc.StatsIndexes();
    m_pWork->Start(total, [this, key, &trace, indexes](unsigned serial) {
        const auto step = [this](std::int64_t n) { m_pWork->Step(n); };
        auto stats = std::make_shared<SelectionStats>(
            ComputeSelectionStats(trace, key.start, key.end, indexes, step));
        QMetaObject::invokeMethod(
            this,
            [this, serial, stats] {
                if (m_pWork->Newest(serial)) Show(*stats);
            },
            Qt::QueuedConnection);
        // The timing next, shown when it is there: two passes more over the samples, the
        // extremes being the statistics' own.
        auto timing = std::make_shared<std::vector<PulseTiming>>();
        for (int i = 0; i < trace.m_nCurveCount; ++i) {
            const CurveStats& c = stats->curves[static_cast<std::size_t>(i)];
            const KnownExtremes known{c.min, c.max};
            timing->push_back(trace.m_pSamples[i] && stats->end > stats->start
                                  ? MeasurePulses(trace.m_pSamples[i], stats->start,
                                                  stats->end - stats->start, step, &known)
                                  : PulseTiming());
        }
        QMetaObject::invokeMethod(
            this,
            [this, serial, timing] {
                if (m_pWork->Newest(serial)) ShowTiming(*timing);
            },
            Qt::QueuedConnection);
    });
}

bool CMeasurementsDock::Measuring() const {
    return m_pWork->Running();
}

void CMeasurementsDock::Settle() {
    // Showing may change the layout, which may measure again (fewer digits): until it rests.
    m_pWork->Settle(this);
}

void CMeasurementsDock::Show(const SelectionStats& stats) {
    // The worker goes on with the timing, whose rows stay grey until it is there.
    m_stats = stats;
    m_timing.clear();
    m_pTable->setVerticalHeaderLabels(RowNames());
    const int curves = static_cast<int>(m_stats.curves.size());
    m_pTable->setColumnCount(curves);
    for (int i = 0; i < curves; ++i) {
        const QString name = ToQString(m_doc.Trace().m_strCurveName[i]);
        auto* header = new QTableWidgetItem(name);
        header->setToolTip(name);  // a long name is cut short in its column
        m_pTable->setHorizontalHeaderItem(i, header);
        const std::vector<std::string> cells =
            Cells(m_stats.curves[static_cast<std::size_t>(i)], kFits[m_nFit].digits);
        for (int k = 0; k < static_cast<int>(cells.size()); ++k) {
            auto* item = new QTableWidgetItem(ToQString(cells[static_cast<std::size_t>(k)]));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            // Hidden curves are measured too, greyed as in the legend.
            if (m_doc.IsCurveHidden(i)) item->setForeground(QColor(160, 160, 160));
            m_pTable->setItem(k, i, item);
        }
    }
    FitColumns();
}

void CMeasurementsDock::ShowTiming(const std::vector<PulseTiming>& timing) {
    m_pWork->Done();
    m_timing = timing;
    for (int i = 0; i < m_pTable->columnCount() && i < static_cast<int>(m_timing.size()); ++i) {
        const std::vector<TimingCell> cells =
            TimingCells(m_timing[static_cast<std::size_t>(i)], m_doc.Trace(), kFits[m_nFit].digits);
        for (int k = 0; k < static_cast<int>(cells.size()); ++k) {
            const TimingCell& cell = cells[static_cast<std::size_t>(k)];
            auto* item = new QTableWidgetItem(ToQString(cell.text));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            item->setToolTip(ToQString(cell.why));  // why the signal allows no number
            if (m_doc.IsCurveHidden(i)) item->setForeground(QColor(160, 160, 160));
            m_pTable->setItem(kTimingTitleRow + 1 + k, i, item);
        }
    }
}

std::string CMeasurementsDock::TableText() const {
    // Curves as rows, as a spreadsheet takes them, whatever the dock shows.
    std::string text = RangeLine(m_stats.start, m_stats.end, true) + "\nCurve";
    const QStringList names = RowNames();
    for (int r = 0; r < names.size(); ++r)
        if (r != kTimingTitleRow) text += '\t' + names[r].toStdString();
    text += '\n';
    for (std::size_t i = 0; i < m_stats.curves.size(); ++i) {
        text += m_doc.Trace().m_strCurveName[i];
        for (const std::string& cell : Cells(m_stats.curves[i])) text += '\t' + cell;
        if (i < m_timing.size())
            for (const TimingCell& cell : TimingCells(m_timing[i], m_doc.Trace()))
                text += '\t' + cell.text;
        text += '\n';
    }
    return text;
}
