#include "app/SpectrumDock.h"

#include <fmt/format.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "app/DockWork.h"
#include "app/Settings.h"
#include "app/SpectrumPlot.h"
#include "framework/core/File.h"
#include "framework/core/TwoThreads.h"
#include "framework/gui/QtText.h"
#include "trace/document/Document.h"

namespace {

const char* const kWindowLabels[] = {"Hann", "Rectangular", "Hamming", "Blackman-Harris",
                                     "Flat top"};
// Up to 2^20: a range no longer than the segment is one transform, which a Cancel cannot
// stop halfway, and 2^20 samples take a tenth of a second.
constexpr int kSegments[] = {256, 1024, 4096, 16384, 65536, 262144, 1048576};
constexpr int kDefaultSegment = 4;  // 65536

QString SettingKey(const char* name) {
    return QStringLiteral("Spectrum/") + QString::fromLatin1(name);
}

}  // namespace

CSpectrumDock::CSpectrumDock(CtesqDoc& doc, std::function<QColor(int)> curveColor, QWidget* parent)
    : QDockWidget(QStringLiteral("Spectrum"), parent),
      m_doc(doc),
      m_curveColor(std::move(curveColor)) {
    setObjectName(QStringLiteral("Spectrum"));
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    auto* controls = new QHBoxLayout;
    m_pWindow = new QComboBox(body);
    for (const char* label : kWindowLabels) m_pWindow->addItem(QString::fromUtf8(label));
    m_pScale = new QComboBox(body);
    m_pScale->addItems({QStringLiteral("Linear"), QStringLiteral("dB")});
    m_pSegment = new QComboBox(body);
    for (const int n : kSegments) m_pSegment->addItem(QString::number(n));
    const QSettings settings = AppSettings();
    const auto pick = [&](QComboBox* box, const char* name, int fallback) {
        const int at = settings.value(SettingKey(name), fallback).toInt();
        box->setCurrentIndex(at >= 0 && at < box->count() ? at : fallback);
        QObject::connect(box, &QComboBox::currentIndexChanged, this, [this, name](int index) {
            AppSettings().setValue(SettingKey(name), index);
            Refresh();
        });
    };
    pick(m_pWindow, "Window", 0);
    pick(m_pScale, "Scale", 0);
    pick(m_pSegment, "Segment", kDefaultSegment);
    m_pWindow->setToolTip(QStringLiteral("Window function"));
    m_pScale->setToolTip(QStringLiteral("Levels in the curve's unit, or in dB relative to 1 unit"));
    m_pSegment->setToolTip(
        QStringLiteral("Segment size: a longer range is averaged over half-overlapping "
                       "segments (Welch)"));
    auto* copy = m_pCopy = new QPushButton(QStringLiteral("Copy"), body);
    QObject::connect(copy, &QPushButton::clicked, this, [this] {
        QApplication::clipboard()->setText(ToQString(TableText()));
        if (m_afterCopy) m_afterCopy();
    });
    controls->addWidget(m_pWindow);
    controls->addWidget(m_pScale);
    controls->addWidget(m_pSegment);
    controls->addStretch(1);
    controls->addWidget(copy);
    m_pWork = new CDockWork(
        m_doc, body,
        [this] { m_pRange->setText(m_pRange->text() + QStringLiteral("\nSpectrum cancelled")); },
        [this] { m_shown = Key(); });
    m_pRange = new QLabel(body);
    m_pRange->setWordWrap(true);
    m_pPlot = new CSpectrumPlot(body);
    m_pPeaks = new QLabel(body);
    m_pPeaks->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QObject::connect(m_pScale, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_pPlot->SetDecibels(index == 1);
        ShowPlot();
    });
    m_pPlot->SetDecibels(m_pScale->currentIndex() == 1);
    layout->addLayout(controls);
    layout->addWidget(m_pRange);
    layout->addLayout(m_pWork->Row());
    layout->addWidget(m_pPlot, 1);
    layout->addWidget(m_pPeaks);
    setWidget(body);
}

CSpectrumDock::~CSpectrumDock() = default;

CSpectrumDock::Key CSpectrumDock::CurrentKey() const {
    Key k;
    const int count = m_doc.Trace().m_nSampleCount;
    k.start = std::clamp(std::min(m_doc.SelStart(), m_doc.SelEnd()), 0, count);
    k.end = std::clamp(std::max(m_doc.SelStart(), m_doc.SelEnd()), 0, count);
    if (k.start == k.end) k.start = 0, k.end = count;  // no selection: the whole trace
    k.count = count;
    k.curves = m_doc.Trace().m_nCurveCount;
    k.revision = m_doc.DataRevision();
    for (int i = 0; i < 8; ++i) k.hidden[i] = m_doc.IsCurveHidden(i);
    k.window = m_pWindow->currentIndex();
    k.segment = kSegments[std::max(m_pSegment->currentIndex(), 0)];
    return k;
}

void CSpectrumDock::Refresh() {
    if (!isVisible()) return;
    const Key key = CurrentKey();
    if (key == m_shown) return;
    m_shown = key;
    Start(key);
}

// On a worker: the window goes on, and what is shown meanwhile is greyed as not the
// selection's yet.
void CSpectrumDock::Start(const Key& key) {
    m_pWork->Stop();
    const CTraceData& trace = m_doc.Trace();
    std::vector<int> curves;
    std::vector<const CCurveSamples*> samples;
    for (int i = 0; i < trace.m_nCurveCount; ++i)
        if (!key.hidden[i] && trace.m_pSamples[i]) {
            curves.push_back(i);
            samples.push_back(&trace.m_pSamples[i]);
        }
    m_pRange->setText(
        ToQString(fmt::format("Samples {} to {} ({})", key.start, key.end, key.end - key.start)));
    if (curves.empty() || key.end - key.start < 2) {
        m_spectrum = Spectrum();
        m_curves.clear();
        m_pPlot->Clear();
        m_pPeaks->setEnabled(true);
        bool any = false;
        for (int i = 0; i < trace.m_nCurveCount; ++i) any = any || trace.m_pSamples[i];
        m_pPeaks->setText(!any || key.count == 0 ? QStringLiteral("The trace has no samples.")
                          : curves.empty()
                              ? QStringLiteral("No curve is shown.")
                              : QStringLiteral("A spectrum needs 2 samples at least."));
        return;
    }
    // What is shown is not the selection's until the work is done: greyed, not to be copied.
    m_pPeaks->setEnabled(false);
    m_pPlot->SetStale(true);
    m_pCopy->setEnabled(false);
    const SpectrumOptions options{static_cast<SpectrumWindow>(key.window), key.segment};
    const std::int64_t total =
        std::int64_t{key.end - key.start} * static_cast<std::int64_t>(curves.size());
    m_pWork->Start(total, [this, key, options, curves, samples](unsigned serial) {
        try {
            auto spectrum = std::make_shared<Spectrum>(
                ComputeSpectrum(samples, key.start, key.end, options,
                                [this](std::int64_t n) { m_pWork->Step(n); }));
            QMetaObject::invokeMethod(
                this,
                [this, serial, key, spectrum, curves] {
                    if (m_pWork->Newest(serial)) Show(key, std::move(*spectrum), curves);
                },
                Qt::QueuedConnection);
        } catch (const std::bad_alloc&) {
            QMetaObject::invokeMethod(
                this,
                [this, serial] {
                    if (!m_pWork->Newest(serial)) return;
                    m_pWork->Done();
                    m_pPeaks->setText(QStringLiteral("Not enough memory for this segment size."));
                },
                Qt::QueuedConnection);
        }
    });
}

bool CSpectrumDock::Computing() const {
    return m_pWork->Running();
}

void CSpectrumDock::Settle() {
    m_pWork->Settle(this);
}

void CSpectrumDock::Show(const Key& key, Spectrum spectrum, std::vector<int> curves) {
    m_pWork->Done();
    m_spectrum = std::move(spectrum);
    m_curves = std::move(curves);
    const CTraceData& trace = m_doc.Trace();
    m_axis = FrequencyAxisOf(trace.m_dblStep, trace.m_strStepUnit, m_spectrum.size);
    std::string range =
        fmt::format("Samples {} to {} ({}): ", key.start, key.end, key.end - key.start);
    range += m_spectrum.segments > 1 ? fmt::format("{} segments of {}, half overlapping",
                                                   m_spectrum.segments, m_spectrum.size)
                                     : fmt::format("one transform of {}", m_spectrum.size);
    if (m_spectrum.used < key.end - key.start)
        range += fmt::format("; the last {} samples are in no segment",
                             key.end - key.start - m_spectrum.used);
    if (m_axis.unit != "Hz")
        range += "; the time unit \"" + trace.m_strStepUnit +
                 "\" has no known length, so frequencies are in cycles per unit";
    m_pRange->setText(ToQString(range));
    ShowPlot();
}

void CSpectrumDock::ShowPlot() {
    const CTraceData& trace = m_doc.Trace();
    const bool db = m_pScale->currentIndex() == 1;
    std::vector<CSpectrumPlot::Curve> shown;
    std::string peaks;
    for (std::size_t i = 0; i < m_curves.size() && i < m_spectrum.curves.size(); ++i) {
        const int c = m_curves[i];
        const CurveSpectrum& s = m_spectrum.curves[i];
        shown.push_back({trace.m_strCurveName[c], trace.m_strCurveUnit[c], m_curveColor(c), &s});
        peaks += (peaks.empty() ? "" : "\n") + trace.m_strCurveName[c] + ": ";
        if (s.peak < 0) {
            peaks += "no peak";
        } else {
            const float a = s.amplitude[static_cast<std::size_t>(s.peak)];
            peaks += fmt::format("peak at {}, {:.6g} {}{}", m_axis.Text(m_axis.At(s.peak)),
                                 db ? Decibels(a) : a, db ? "dB" : "", trace.m_strCurveUnit[c]);
        }
        if (s.notFinite > 0)
            peaks += fmt::format(" ({} NaN or infinite samples taken as 0)", s.notFinite);
    }
    m_pPlot->SetSpectrum(std::move(shown), m_axis, m_spectrum.size);
    m_pPlot->SetStale(false);
    m_pCopy->setEnabled(true);
    m_pPeaks->setText(ToQString(peaks));
    m_pPeaks->setEnabled(true);
}

std::string CSpectrumDock::TableText() const {
    const CTraceData& trace = m_doc.Trace();
    const bool db = m_pScale->currentIndex() == 1;
    std::string text = "Frequency (" + m_axis.unit + ")";
    for (const int c : m_curves)
        text += '\t' + trace.m_strCurveName[c] + " (" + (db ? "dB" : "") + trace.m_strCurveUnit[c] +
                ")";
    text += '\n';
    for (int k = 0; m_spectrum.size > 0 && k <= m_spectrum.size / 2; ++k) {
        text += fmt::format("{}", m_axis.At(k));
        for (const CurveSpectrum& s : m_spectrum.curves) {
            const float a = s.amplitude[static_cast<std::size_t>(k)];
            text += fmt::format("\t{}", db ? static_cast<float>(Decibels(a)) : a);
        }
        text += '\n';
    }
    return text;
}
