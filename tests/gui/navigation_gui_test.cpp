// Keyboard and wheel navigation, zoom to fit and to selection, drag to select, the
// Measurements dock: real events on the real view and window (offscreen).

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <QWheelEvent>
#include <atomic>
#include <thread>

#include "app/MainFrame.h"
#include "app/MeasurementsDock.h"
#include "app/Settings.h"
#include "framework/gui/CommandActions.h"
#include "ids/CommandIds.h"
#include "tests/gui/WaitFor.h"
#include "tests/support/TraceFixtures.h"
#include "view/rules/Navigation.h"
#include "view/tesqView.h"

namespace {

struct Scene {
    Scene(int samples, int decimation, int width)
        : doc(DocWithSamples({std::vector<float>(static_cast<std::size_t>(samples), 1.0f)})) {
        doc->SetDecimation(decimation);
        view.AttachOffscreen(doc.get(), width, 300);
        view.OnInitialUpdate();
        CtesqView::s_nSelAnchor = 0;
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(&view, key, modifiers);
    }
    void Mouse(QEvent::Type type, int x, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, QPointF(x, 150), QPointF(x, 150), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(view.viewport(), &event);
    }
    void Drag(int from, int to) {
        Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        Mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    }
    void Wheel(int x, int delta, Qt::KeyboardModifiers modifiers) {
        QWheelEvent wheel(QPointF(x, 150), QPointF(x, 150), QPoint(), QPoint(0, delta),
                          Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(view.viewport(), &wheel);
    }
    int Position() const { return view.GetScrollPosition(); }
    std::unique_ptr<CtesqDoc> doc;
    CtesqView view;
};

// A cell's text, or a mark that it is missing: a table shorter than expected fails the
// comparison instead of ending the run.
QString Cell(const QTableWidget* table, int row, int column) {
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text() : QStringLiteral("(no cell)");
}

}  // namespace

TEST(ViewNavigation, KeysStepAsTheScrollBarDoesAndTypeNothing) {
    Scene s(10000, 1, 900);  // page 600, line 90, positions 0 .. 9100
    s.Key(Qt::Key_Right);
    EXPECT_EQ(s.Position(), 90);
    s.Key(Qt::Key_PageDown);
    EXPECT_EQ(s.Position(), 690);
    s.Key(Qt::Key_Left);
    EXPECT_EQ(s.Position(), 600);
    s.Key(Qt::Key_End);
    EXPECT_EQ(s.Position(), 9100);
    s.Key(Qt::Key_PageDown);  // at the end: stays
    EXPECT_EQ(s.Position(), 9100);
    s.Key(Qt::Key_Home);
    EXPECT_EQ(s.Position(), 0);
    s.Key(Qt::Key_PageUp);
    s.Key(Qt::Key_Left);
    EXPECT_EQ(s.Position(), 0);
    EXPECT_EQ(s.view.m_strCommand, "");
    s.Key(Qt::Key_G);
    EXPECT_EQ(s.view.m_strCommand, "g");  // printable keys still type
}

TEST(ViewNavigation, ZoomToFitTakesTheSmallestDecimationThatFits) {
    EXPECT_EQ(navigation::FitDecimation(399, 400), 1);
    EXPECT_EQ(navigation::FitDecimation(400, 400), 1);
    EXPECT_EQ(navigation::FitDecimation(401, 400), 2);
    EXPECT_EQ(navigation::FitDecimation(100'000'000, 1000), 100000);  // past 4096 when needed
    EXPECT_EQ(navigation::FitDecimation(3'000'000, 1000), 3000);      // any decimation: it fills
    Scene s(10000, 1, 400);
    s.view.SetScrollPos(3000);
    s.view.OnZoomToFit();
    EXPECT_EQ(s.doc->Decimation(), 25);  // 10000 / 25 = 400 columns: the window, filled
    EXPECT_EQ(s.doc->DisplayLength(), 4 * 400);
    // Zoom steps go on from there, halving and doubling.
    s.view.OnZoomIn();
    EXPECT_EQ(s.doc->Decimation(), 12);
    s.view.OnZoomOut();
    s.view.OnZoomOut();
    EXPECT_EQ(s.doc->Decimation(), 48);
    EXPECT_EQ(s.Position(), 0);
}

TEST(ViewNavigation, ZoomToSelectionCentresIt) {
    Scene s(100000, 1, 400);
    s.doc->Select(50000, 51000);  // 1000 samples: decimation 3, 334 columns of 400
    s.view.OnZoomToSelection();
    EXPECT_EQ(s.doc->Decimation(), 3);
    EXPECT_EQ(s.Position(), 50500 / 3 - 200);
}

TEST(ViewNavigation, CtrlWheelZoomsAboutThePointer) {
    Scene s(100000, 4, 400);
    s.view.SetScrollPos(1000);
    const long long under = (1000 + 100) * 4LL;  // the sample under x = 100
    s.Wheel(100, 120, Qt::ControlModifier);
    EXPECT_EQ(s.doc->Decimation(), 2);
    EXPECT_EQ((s.Position() + 100) * 2LL, under);
    s.Wheel(100, -120, Qt::ControlModifier);
    s.Wheel(100, -120, Qt::ControlModifier);
    EXPECT_EQ(s.doc->Decimation(), 8);
    EXPECT_EQ((s.Position() + 100) * 8LL, under);
    s.Wheel(100, -120, Qt::NoModifier);  // without Ctrl the wheel scrolls as before
    EXPECT_EQ(s.doc->Decimation(), 8);
}

TEST(ViewNavigation, ZoomingOutStopsAtTheTraceLengthAndTheButtonAt4096ButNotTheWheel) {
    Scene s(16, 8, 400);
    s.view.OnZoomOut();
    EXPECT_EQ(s.doc->Decimation(), 16);  // one column now holds exactly the whole trace
    s.view.OnZoomOut();
    s.Wheel(100, -120, Qt::ControlModifier);
    EXPECT_EQ(s.doc->Decimation(), 16);

    Scene big(20000, 2048, 400);
    CCmdUI out(ID_ZOOM_OUT);
    big.view.OnUpdateZoomOut(&out);
    EXPECT_TRUE(out.m_bEnabled);
    big.view.OnZoomOut();
    EXPECT_EQ(big.doc->Decimation(), 4096);
    big.view.OnUpdateZoomOut(&out);
    EXPECT_FALSE(out.m_bEnabled);
    big.Wheel(100, -120, Qt::ControlModifier);
    EXPECT_EQ(big.doc->Decimation(), 8192);
    big.Wheel(100, -120, Qt::ControlModifier);
    big.Wheel(100, -120, Qt::ControlModifier);
    EXPECT_EQ(big.doc->Decimation(), 16384);
}

TEST(ViewNavigation, DragSelectsButSmallMovesAreClicks) {
    Scene s(1000, 1, 600);
    s.Drag(100, 250);
    EXPECT_EQ(s.doc->SelStart(), 100);
    EXPECT_EQ(s.doc->SelEnd(), 250);
    s.Drag(300, 200);  // leftwards
    EXPECT_EQ(s.doc->SelStart(), 200);
    EXPECT_EQ(s.doc->SelEnd(), 300);

    // Two pixels is a click: the successive-click rule, from the anchor the drag left at 200.
    s.Drag(400, 402);
    EXPECT_EQ(s.doc->SelStart(), 200);
    EXPECT_EQ(s.doc->SelEnd(), 400);
    s.Drag(500, 503);  // three pixels is a drag
    EXPECT_EQ(s.doc->SelStart(), 500);
    EXPECT_EQ(s.doc->SelEnd(), 503);
}

TEST(ViewNavigation, DraggingPastTheEdgeScrollsOn) {
    Scene s(10000, 1, 600);
    s.Mouse(QEvent::MouseButtonPress, 300, Qt::LeftButton, Qt::LeftButton);
    s.Mouse(QEvent::MouseMove, 650, Qt::NoButton, Qt::LeftButton);
    // The edge timer steps the view while the pointer stays out.
    EXPECT_TRUE(WaitFor([&s] { return s.Position() > 0; }));
    s.Mouse(QEvent::MouseButtonRelease, 650, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(s.doc->SelStart(), 300);
    EXPECT_EQ(s.doc->SelEnd(), s.Position() + 650);
    const int after = s.Position();
    QTest::qWait(120);
    EXPECT_EQ(s.Position(), after);  // released: no more scrolling
}

TEST(Measurements, FollowTheSelectionAndCopyAsTabSeparatedText) {
    CCmdTarget app;
    auto doc = DocWithSamples({{1, 2, 3, 4, 5, 6}, {0, 0.1f, -0.024f, 0.012345679f, 0, 0}},
                              [](CTraceData& t) {
                                  t.m_strCurveName[0] = "U";
                                  t.m_strCurveName[1] = "I";
                                  t.m_dblStep = 20;
                                  t.m_strStepUnit = "us";
                                  t.m_dblOrigin = -40;  // a trigger two samples in
                              });
    CMainFrame frame(*doc, app);
    QAction* item = frame.Actions().Action(ID_VIEW_MEASUREMENTS);
    EXPECT_FALSE(frame.Measurements()->isVisibleTo(&frame));
    frame.show();
    item->trigger();
    EXPECT_TRUE(frame.Measurements()->isVisibleTo(&frame));
    EXPECT_TRUE(item->isChecked());

    doc->Select(1, 4);
    doc->SetCurveHidden(1, true);
    frame.Measurements()->Refresh();
    frame.Measurements()->Settle();
    // A column per curve, a row per measure.
    const QTableWidget* table = frame.Measurements()->m_pTable;
    ASSERT_EQ(table->columnCount(), 2);
    ASSERT_NE(table->horizontalHeaderItem(1), nullptr);
    EXPECT_EQ(table->horizontalHeaderItem(1)->text(), QStringLiteral("I"));
    EXPECT_EQ(Cell(table, 0, 0), QStringLiteral("2"));  // min
    EXPECT_EQ(Cell(table, 2, 0), QStringLiteral("2"));  // peak-to-peak
    EXPECT_EQ(Cell(table, 3, 0), QStringLiteral("3"));  // mean
    ASSERT_NE(table->item(0, 1), nullptr);
    EXPECT_EQ(table->item(0, 1)->foreground().color(), QColor(160, 160, 160));
    EXPECT_EQ(frame.Measurements()->m_pRange->text(),
              QString::fromUtf8("Start 1 (-20 us)\nEnd 4 (40 us)\nDuration 60 us\nSamples 3\n"
                                "1/\u0394t 16.6667 kHz"));
    EXPECT_EQ(Cell(table, 8, 0), QStringLiteral("2"));  // last - first
    // The timing section: three samples make no cycle, and the cell says why.
    const int period = 10 + 1 + 5;
    ASSERT_NE(table->verticalHeaderItem(period), nullptr);
    EXPECT_EQ(table->verticalHeaderItem(period)->text(), QStringLiteral("Period (us)"));
    EXPECT_EQ(Cell(table, period, 0), QStringLiteral("-"));
    ASSERT_NE(table->item(period, 0), nullptr);
    EXPECT_FALSE(table->item(period, 0)->toolTip().isEmpty());

    ASSERT_TRUE(doc->ExecuteCommand("kxb 0 10 0"));  // the data changes: measured again
    frame.Measurements()->Refresh();
    frame.Measurements()->Settle();
    EXPECT_EQ(Cell(table, 3, 0), QStringLiteral("30"));

    // Copied with curves as rows, as a spreadsheet takes them.
    const std::string text = frame.Measurements()->TableText();
    EXPECT_EQ(text.substr(0, text.find('\n')),
              "Start\t1 (-20 us)\tEnd\t4 (40 us)\tDuration\t60 us\tSamples\t3\t1/\u0394t\t"
              "16.6667 kHz");
    EXPECT_NE(text.find("Curve\tMin\tMax\tPeak-to-peak\tMean\tRMS\tStd dev\tFirst\tLast\t"
                        "\u0394 (last - first)\tNaN\tLow\tHigh\tAmplitude\tRising edges\t"
                        "Falling edges\tPeriod (us)\tFrequency (Hz)\t"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("U\t20\t40\t20\t30\t"), std::string::npos);
    EXPECT_NE(text.find("\t20\t40\t20\t0\t"), std::string::npos);  // first, last, last - first
    // Peak-to-peak in double from the floats, written as the float it reads back as.
    EXPECT_NE(text.find("I\t-0.024\t0.1\t0.124\t"), std::string::npos) << text;
    EXPECT_NE(text.find("\t0.1\t0.012345679\t"), std::string::npos) << text;  // all digits
    item->trigger();
    EXPECT_FALSE(item->isChecked());
}

TEST(Measurements, TheDockKeepsTheWidthItWasGivenWhateverItShows) {
    CCmdTarget app;
    auto doc = DocWithSamples({{1, 2, 3, 4}, {1, 2, 3, 4}, {1, 2, 3, 4}, {1, 2, 3, 4}});
    CMainFrame frame(*doc, app);
    frame.resize(1280, 800);
    frame.show();
    frame.Actions().Action(ID_VIEW_MEASUREMENTS)->trigger();
    CMeasurementsDock* dock = frame.Measurements();
    dock->Refresh();
    dock->Settle();
    QCoreApplication::processEvents();
    // Every curve's column shows without scrolling; the numbers' width never changes it.
    EXPECT_EQ(dock->m_pTable->horizontalScrollBar()->maximum(), 0);
    const int plot = frame.GetActiveView()->width();
    doc->Select(0, 4);
    ASSERT_TRUE(doc->ExecuteCommand("kxb 0 -1.23456789e37 -0.000123456789"));
    dock->Refresh();
    dock->Settle();
    QCoreApplication::processEvents();
    EXPECT_EQ(Cell(dock->m_pTable, 0, 0), QStringLiteral("-4.93827e+37"));
    EXPECT_LT(dock->m_pTable->fontMetrics().horizontalAdvance(QStringLiteral("-4.93827e+37")),
              dock->m_pTable->columnWidth(0) - 4);  // whole, not cut short
    EXPECT_EQ(frame.GetActiveView()->width(), plot);
    EXPECT_EQ(dock->m_pTable->horizontalScrollBar()->maximum(), 0);

    // A small window keeps most of its width for the plot, made small with the dock open or
    // before it opens.
    frame.resize(700, 450);
    QCoreApplication::processEvents();
    EXPECT_LE(dock->width(), 700 * 2 / 5);
    frame.Actions().Action(ID_VIEW_MEASUREMENTS)->trigger();
    frame.Actions().Action(ID_VIEW_MEASUREMENTS)->trigger();
    QCoreApplication::processEvents();
    EXPECT_LE(dock->width(), 700 * 2 / 5);
    EXPECT_GE(frame.GetActiveView()->width(), 700 / 2);

    // The width the user drags it to is the width it has from then on.
    const QPoint edge = dock->mapTo(&frame, QPoint(-1, dock->height() / 2));
    // Through the window, as the user's pointer comes.
    QWindow* window = frame.windowHandle();
    QTest::mousePress(window, Qt::LeftButton, {}, edge);
    QTest::mouseMove(window, edge - QPoint(60, 0));
    QTest::mouseRelease(window, Qt::LeftButton, {}, edge - QPoint(60, 0));
    QCoreApplication::processEvents();
    const int dragged = dock->width();
    EXPECT_GT(dragged, 700 * 2 / 5);
    EXPECT_EQ(AppSettings().value(QStringLiteral("Settings/MeasurementsWidth")).toInt(), dragged);
    frame.Actions().Action(ID_VIEW_MEASUREMENTS)->trigger();
    frame.Actions().Action(ID_VIEW_MEASUREMENTS)->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(dock->width(), dragged);
    frame.Actions().Action(ID_VIEW_MEASUREMENTS)->trigger();
}

TEST(Measurements, ADockOpenAtStartHasRoomForItsCurves) {
    CCmdTarget app;
    AppSettings().setValue(QStringLiteral("Settings/Measurements"), true);
    auto doc = DocWithSamples({{1, -1, 3}, {1, 2, 3}, {1, 2, 3}, {1, 2, 3}});
    doc->Select(0, 3);
    {
        // Made before the window has its size, as at start.
        CMainFrame frame(*doc, app);
        frame.resize(1280, 800);
        frame.show();
        frame.Measurements()->Refresh();
        frame.Measurements()->Settle();
        QCoreApplication::processEvents();
        const QTableWidget* table = frame.Measurements()->m_pTable;
        EXPECT_GE(table->viewport()->width(), table->horizontalHeader()->length());
        // A low window: the rows scroll, the columns still show whole.
        frame.resize(1280, 300);
        QCoreApplication::processEvents();
        EXPECT_GE(table->viewport()->width(), table->horizontalHeader()->length());
        EXPECT_EQ(Cell(table, 0, 0), QStringLiteral("-1"));
    }
}

// At 1024 x 700 every curve of a four-curve trace shows, smaller if need be; a drag in the
// plot while the dock is open keeps no width of it.
TEST(Measurements, ANarrowWindowShowsEveryCurveAndOnlyTheEdgeKeepsAWidth) {
    CCmdTarget app;
    auto doc = DocWithSamples({{1, -2.5e-7f, 3}, {1, 2, 3}, {-1e30f, 2, 3}, {1, 2, 3e9f}});
    CMainFrame frame(*doc, app);
    frame.resize(1024, 700);
    frame.show();
    frame.Actions().Action(ID_VIEW_MEASUREMENTS)->trigger();
    doc->Select(0, 3);
    frame.Measurements()->Refresh();
    frame.Measurements()->Settle();
    QCoreApplication::processEvents();
    const QTableWidget* table = frame.Measurements()->m_pTable;
    EXPECT_EQ(table->horizontalScrollBar()->maximum(), 0);
    for (int c = 0; c < 4; ++c) {
        ASSERT_NE(table->item(0, c), nullptr);
        EXPECT_LT(table->fontMetrics().horizontalAdvance(table->item(0, c)->text()),
                  table->columnWidth(c))
            << c;
    }
    // A drag in the plot: the button is held while the dock may change its width.
    CtesqView* view = frame.GetActiveView();
    QWindow* window = frame.windowHandle();
    const QPoint from = view->mapTo(&frame, QPoint(50, 150)), to = from + QPoint(300, 0);
    QTest::mousePress(window, Qt::LeftButton, {}, from);
    QTest::mouseMove(window, to);
    frame.resizeDocks({frame.Measurements()}, {frame.Measurements()->width() + 30}, Qt::Horizontal);
    QCoreApplication::processEvents();
    QTest::mouseRelease(window, Qt::LeftButton, {}, to);
    EXPECT_FALSE(AppSettings().contains(QStringLiteral("Settings/MeasurementsWidth")));
}

// A long trace with the dock open: the statistics are measured on a worker, never on the
// window's thread, so a drag made meanwhile is the selection the document holds, and the dock
// shows that one once measured.
TEST(Measurements, ADragOnALongTraceWithTheDockOpenIsTheSelectionMeasured) {
    static const std::thread::id windowThread = std::this_thread::get_id();
    struct Slope : CSampleSource {
        std::int64_t Count() const override { return 50'000'000; }
        void Read(std::int64_t first, std::int64_t n, float* out) const override {
            if (n >= 65536 && std::this_thread::get_id() == windowThread) bulkOnWindow = true;
            for (std::int64_t j = 0; j < n; ++j) out[j] = static_cast<float>((first + j) % 1000);
        }
        mutable std::atomic<bool> bulkOnWindow{false};
    };
    auto slope = std::make_shared<Slope>();
    CTraceData trace;
    trace.m_nCurveCount = 1;
    trace.m_nSampleCount = 50'000'000;
    trace.m_pSamples[0] = CCurveSamples(slope);
    auto doc = DocWithTrace(std::move(trace));
    doc->PrepareDisplayColumns();  // no index: every measurement reads the samples
    doc->SetDecimation(1 << 15);
    CCmdTarget app;
    CMainFrame frame(*doc, app);
    frame.resize(1280, 800);
    frame.show();
    frame.Actions().Action(ID_VIEW_MEASUREMENTS)->trigger();
    CtesqView* view = frame.GetActiveView();
    QWindow* window = frame.windowHandle();
    const QPoint from = view->mapTo(&frame, QPoint(100, 150)),
                 to = view->mapTo(&frame, QPoint(700, 150));
    QTest::mousePress(window, Qt::LeftButton, {}, from);  // a click: 0 .. 100 columns, measured
    frame.Measurements()->Refresh();
    // The status line tells the selection as the drag has made it, at each move.
    const auto told = [&frame](int selRight) {
        bool found = false;
        for (const QLabel* label : frame.statusBar()->findChildren<QLabel*>())
            found = found || label->text().contains(QStringLiteral("SelRight=%1 ").arg(selRight));
        return found;
    };
    QTest::mouseMove(window, to);
    EXPECT_TRUE(told(700 << 15));
    // The drag's label is on the plot while it lasts, and gone once it ends.
    const auto labelShown = [view] {
        const QImage shot = view->viewport()->grab().toImage();
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                if (shot.pixelColor(x, y) == QColor(255, 255, 225)) return true;
        return false;
    };
    EXPECT_TRUE(labelShown());
    QTest::mouseRelease(window, Qt::LeftButton, {}, to + QPoint(20, 0));
    EXPECT_FALSE(labelShown());
    EXPECT_EQ(doc->SelStart(), 100 << 15);
    EXPECT_EQ(doc->SelEnd(), 720 << 15);
    EXPECT_TRUE(told(720 << 15));
    frame.Measurements()->Refresh();
    frame.Measurements()->Settle();
    EXPECT_TRUE(frame.Measurements()->m_pRange->text().startsWith(
        QStringLiteral("Start %1 ").arg(100 << 15)))
        << frame.Measurements()->m_pRange->text().toStdString();
    EXPECT_FALSE(slope->bulkOnWindow);
}
