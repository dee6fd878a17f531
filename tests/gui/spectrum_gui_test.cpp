// The Spectrum dock on the real window (offscreen): what it shows of the selection, its
// choices, Copy, and the keys and wheel on its plot.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <atomic>
#include <cmath>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "app/DockWork.h"
#include "app/MainFrame.h"
#include "app/SpectrumDock.h"
#include "app/SpectrumPlot.h"
#include "framework/gui/CommandActions.h"
#include "ids/CommandIds.h"
#include "tests/support/TraceFixtures.h"

namespace {

// 10 us a step: a sine of 2 V at 12.5 kHz (8 samples a cycle) and a slower one of 1 A.
std::unique_ptr<CtesqDoc> TwoSines() {
    std::vector<float> u(20000), i(20000);
    for (std::size_t k = 0; k < u.size(); ++k) {
        u[k] = static_cast<float>(2 * std::sin(2 * std::numbers::pi * k / 8));
        i[k] = static_cast<float>(std::sin(2 * std::numbers::pi * k / 64) + 0.5);
    }
    return DocWithSamples({u, i}, [](CTraceData& t) {
        t.m_strCurveName[0] = "U";
        t.m_strCurveUnit[0] = "V";
        t.m_strCurveName[1] = "I";
        t.m_strCurveUnit[1] = "A";
        t.m_dblStep = 10;
        t.m_strStepUnit = "us";
    });
}

int Lines(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace

TEST(Spectrum, TheDockShowsTheSelectionsPeaksAndCopiesItsLevels) {
    CCmdTarget app;
    auto doc = TwoSines();
    CMainFrame frame(*doc, app);
    frame.show();
    QAction* item = frame.Actions().Action(ID_VIEW_SPECTRUM);
    ASSERT_NE(item, nullptr);
    item->trigger();
    CSpectrumDock* dock = frame.SpectrumDock();
    ASSERT_TRUE(dock->isVisibleTo(&frame));
    EXPECT_TRUE(item->isChecked());
    dock->m_pWindow->setCurrentIndex(4);  // flat top
    dock->m_pScale->setCurrentIndex(0);
    dock->m_pSegment->setCurrentIndex(1);  // 1024

    // No selection: the whole trace, in Welch's segments.
    dock->Refresh();
    dock->Settle();
    EXPECT_NE(dock->m_pRange->text().indexOf(QStringLiteral("38 segments of 1024")), -1)
        << dock->m_pRange->text().toStdString();
    const QString peaks = dock->m_pPeaks->text();
    EXPECT_TRUE(peaks.startsWith(QStringLiteral("U: peak at 12.5 kHz, 2"))) << peaks.toStdString();
    EXPECT_NE(peaks.indexOf(QStringLiteral("I: peak at 1.5625 kHz, 1")), -1) << peaks.toStdString();

    // A selection shorter than a segment, the second curve hidden: one padded transform.
    doc->Select(100, 700);
    doc->SetCurveHidden(1, true);
    dock->Refresh();
    dock->Settle();
    EXPECT_NE(dock->m_pRange->text().indexOf(QStringLiteral("one transform of 1024")), -1);
    EXPECT_FALSE(dock->m_pPeaks->text().contains(QStringLiteral("I:")));

    // A selection made while one is computed: the newer one is shown.
    dock->m_pSegment->setCurrentIndex(0);  // 256
    doc->Select(0, 20000);
    dock->Refresh();
    doc->Select(0, 2048);
    dock->Refresh();
    EXPECT_FALSE(dock->m_pCopy->isEnabled());  // what is shown meanwhile is not to be copied
    dock->Settle();
    EXPECT_TRUE(dock->m_pCopy->isEnabled());
    EXPECT_NE(dock->m_pRange->text().indexOf(QStringLiteral("Samples 0 to 2048")), -1);
    EXPECT_NE(dock->m_pRange->text().indexOf(QStringLiteral("15 segments of 256")), -1);

    // Copy: the frequencies and each shown curve's level, in dB when the dock shows dB.
    dock->m_pScale->setCurrentIndex(1);
    const std::string text = dock->TableText();
    EXPECT_EQ(text.substr(0, text.find('\n')), "Frequency (Hz)\tU (dBV)");
    EXPECT_EQ(Lines(text), 1 + 129);
    EXPECT_NE(text.find("\n12500\t6.0"), std::string::npos) << text.substr(0, 400);
    doc->SetCurveHidden(0, true);
    dock->Refresh();
    EXPECT_EQ(dock->m_pPeaks->text(), QStringLiteral("No curve is shown."));
    item->trigger();
    EXPECT_FALSE(dock->isVisibleTo(&frame));
}

// The plot takes the trace plot's zoom keys while it has the keys, and the wheel pans it.
TEST(Spectrum, ThePlotsKeysAndWheelMoveItsFrequencyAxisNotTheTrace) {
    CCmdTarget app;
    auto doc = TwoSines();
    CMainFrame frame(*doc, app);
    frame.show();
    frame.Actions().Action(ID_VIEW_SPECTRUM)->trigger();
    CSpectrumDock* dock = frame.SpectrumDock();
    dock->m_pSegment->setCurrentIndex(1);  // 1024: 513 bins
    dock->Refresh();
    dock->Settle();
    CSpectrumPlot* plot = dock->m_pPlot;
    EXPECT_EQ(plot->FirstBin(), 0);
    EXPECT_EQ(plot->LastBin(), 512);
    const int decimation = doc->Decimation();
    frame.activateWindow();  // where the window's own shortcuts would take the keys
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    plot->setFocus();
    QTest::keyClick(plot, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(plot->LastBin() - plot->FirstBin(), 256);
    EXPECT_EQ(doc->Decimation(), decimation);  // the trace stays as it was
    QTest::keyClick(plot, Qt::Key_Right);
    EXPECT_GT(plot->FirstBin(), 128);
    QTest::keyClick(plot, Qt::Key_End);
    EXPECT_EQ(plot->LastBin(), 512);
    QWheelEvent wheel(QPointF(100, 50), QPointF(100, 50), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(plot, &wheel);
    EXPECT_LT(plot->LastBin(), 512);  // a notch up moves towards 0 Hz
    QTest::keyClick(plot, Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(plot->FirstBin(), 0);
    EXPECT_EQ(plot->LastBin(), 512);
    frame.Actions().Action(ID_VIEW_SPECTRUM)->trigger();
}

// Work stopped because the samples were about to change starts again on what came, though
// the selection and the data's revision are what they were (as when the statistics index of a
// trace opened in the background is built).
TEST(Spectrum, WorkTheDocumentStoppedStartsAgain) {
    CCmdTarget app;
    std::vector<float> s(4'000'000);
    for (std::size_t k = 0; k < s.size(); ++k) s[k] = static_cast<float>(k % 16);
    auto doc = DocWithSamples({s});
    CMainFrame frame(*doc, app);
    frame.show();
    frame.Actions().Action(ID_VIEW_SPECTRUM)->trigger();
    CSpectrumDock* dock = frame.SpectrumDock();
    dock->m_pSegment->setCurrentIndex(0);
    dock->Refresh();
    doc->BuildDisplayCopies();  // its statistics index too, which stops the readers
    dock->Refresh();
    dock->Settle();
    EXPECT_FALSE(dock->Computing());
    EXPECT_TRUE(dock->m_pPeaks->text().contains(QStringLiteral(": peak at")))
        << dock->m_pPeaks->text().toStdString();
    frame.Actions().Action(ID_VIEW_SPECTRUM)->trigger();
}

// A dock's work stops at its next step once it is told to, and its late results are not the
// newest any more.
TEST(DockWork, StoppedWorkEndsAtItsNextStepAndIsNoLongerTheNewest) {
    auto doc = TwoSines();
    QWidget body;
    CDockWork work(*doc, &body, {}, {});
    (new QVBoxLayout(&body))->addLayout(work.Row());  // whose bar the body holds, as a dock's
    std::atomic<bool> started{false};
    std::atomic<unsigned> serial{0};
    work.Start(1000, [&](unsigned s) {
        serial = s;
        started = true;
        for (;;) work.Step(1);  // ends only by the throw of a stopped step
    });
    while (!started) std::this_thread::yield();
    EXPECT_TRUE(work.Newest(serial));
    work.Stop();
    EXPECT_FALSE(work.Running());
    work.Start(1, [](unsigned) {});
    EXPECT_FALSE(work.Newest(serial));
    work.Done();
}
