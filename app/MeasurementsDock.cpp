#include "app/MeasurementsDock.h"

#include <fmt/format.h>

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>

#include "framework/gui/QtText.h"
#include "trace/Document.h"
#include "trace/Statistics.h"
#include "trace/TimeBase.h"

namespace {

const char* const kColumns[] = {"Curve", "Min",     "Max",   "Peak-to-peak", "Mean",
                                "RMS",   "Std dev", "First", "Last",         "NaN"};

std::string Value(double v) {
    return std::isnan(v) ? std::string("-") : fmt::format("{:.6g}", v);
}

}  // namespace

CMeasurementsDock::CMeasurementsDock(CtesqDoc& doc, QWidget* parent)
    : QDockWidget(QStringLiteral("Measurements"), parent), m_doc(doc) {
    setObjectName(QStringLiteral("Measurements"));
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    m_pRange = new QLabel(body);
    m_pRange->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pTable = new QTableWidget(0, static_cast<int>(std::size(kColumns)), body);
    QStringList headers;
    for (const char* c : kColumns) headers.append(QString::fromLatin1(c));
    m_pTable->setHorizontalHeaderLabels(headers);
    m_pTable->verticalHeader()->hide();
    m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* copy = new QPushButton(QStringLiteral("Copy"), body);
    QObject::connect(copy, &QPushButton::clicked, this, [this] {
        QApplication::clipboard()->setText(ToQString(TableText()));
        if (m_afterCopy) m_afterCopy();
    });
    layout->addWidget(m_pRange);
    layout->addWidget(m_pTable, 1);
    layout->addWidget(copy, 0, Qt::AlignRight);
    setWidget(body);
}

CMeasurementsDock::Key CMeasurementsDock::CurrentKey() const {
    Key k;
    k.start = m_doc.SelStart();
    k.end = m_doc.SelEnd();
    k.count = m_doc.m_nSampleCount;
    k.curves = m_doc.m_nCurveCount;
    k.revision = m_doc.DataRevision();
    for (int i = 0; i < 8; ++i) k.hidden[i] = m_doc.IsCurveHidden(i);
    return k;
}

void CMeasurementsDock::Refresh() {
    if (!isVisible()) return;
    const Key key = CurrentKey();
    if (key == m_shown) return;
    m_shown = key;
    const SelectionStats stats = ComputeSelectionStats(m_doc, key.start, key.end);
    const std::string& unit = m_doc.m_strStepUnit;
    const auto time = [&](long long samples) {
        return timebase::ReadableText(m_doc.SampleTime(samples)) + " " + unit;
    };
    m_pRange->setText(ToQString(fmt::format(
        "Start {} ({})    End {} ({})    Duration {}    Samples {}", stats.start, time(stats.start),
        stats.end, time(stats.end), time(stats.end - stats.start), stats.end - stats.start)));
    m_pTable->setRowCount(static_cast<int>(stats.curves.size()));
    for (int i = 0; i < static_cast<int>(stats.curves.size()); ++i) {
        const CurveStats& c = stats.curves[static_cast<std::size_t>(i)];
        const std::string cells[] = {
            m_doc.m_strCurveName[i], Value(c.min),         Value(c.max), Value(c.max - c.min),
            Value(c.mean),           Value(c.rms),         Value(c.std), Value(c.first),
            Value(c.last),           std::to_string(c.nan)};
        for (int k = 0; k < static_cast<int>(std::size(cells)); ++k) {
            auto* item = new QTableWidgetItem(ToQString(cells[k]));
            // Hidden curves are measured too, greyed as in the legend.
            if (m_doc.IsCurveHidden(i)) item->setForeground(QColor(160, 160, 160));
            m_pTable->setItem(i, k, item);
        }
    }
}

std::string CMeasurementsDock::TableText() const {
    std::string text = m_pRange->text().toStdString();
    text += '\n';
    const auto cell = [&text](int column, const QString& value) {
        if (column > 0) text += '\t';
        text += value.toStdString();
    };
    for (int k = 0; k < m_pTable->columnCount(); ++k)
        cell(k, m_pTable->horizontalHeaderItem(k)->text());
    text += '\n';
    for (int r = 0; r < m_pTable->rowCount(); ++r) {
        for (int k = 0; k < m_pTable->columnCount(); ++k) {
            const QTableWidgetItem* item = m_pTable->item(r, k);
            cell(k, item != nullptr ? item->text() : QString());
        }
        text += '\n';
    }
    return text;
}
