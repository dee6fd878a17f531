// Mouse, keys and the curve dialog on the real view, with real events (offscreen).

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

#include "dialogs/DlgCurvePara.h"
#include "tests/support/TraceFixtures.h"
#include "view/tesqView.h"

namespace {

struct Scene {
    Scene(std::vector<std::vector<float>> curves, int decimation, int width, int height = 300,
          const std::function<void(CTraceData&)>& edit = {})
        : doc(DocWithSamples(std::move(curves), edit)) {
        doc->SetDecimation(decimation);
        view.AttachOffscreen(doc.get(), width, height);
        view.OnInitialUpdate();
        CtesqView::s_nSelAnchor = 0;
    }
    void Move(int x, int y) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, y), QPointF(x, y), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view.viewport(), &move);
    }
    void Click(int x, int y, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(view.viewport(), button, Qt::NoModifier, QPoint(x, y));
    }
    std::unique_ptr<CtesqDoc> doc;
    CtesqView view;
};

// Answers the next modal dialog by pressing a key in it.
void AnswerNextDialog(int key) {
    QTimer::singleShot(0, [key] {
        if (QWidget* dialog = QApplication::activeModalWidget())
            QTest::keyClick(dialog, static_cast<Qt::Key>(key));
    });
}

}  // namespace

TEST(ViewMouse, ClicksSelectAndTheBandsHaveStrictEdges) {
    Scene s({std::vector<float>(1000, 1.0f)}, 2, 600);  // 500 columns in 600 pixels: no scrolling
    s.Click(100, 150);
    EXPECT_EQ(s.doc->SelStart(), 0);
    EXPECT_EQ(s.doc->SelEnd(), 200);
    s.Click(50, 150);
    EXPECT_EQ(s.doc->SelStart(), 100);
    EXPECT_EQ(s.doc->SelEnd(), 200);
    s.Click(50, 150);
    EXPECT_EQ(s.doc->SelEnd(), 100);
    s.Click(300, 100);  // y 100: outside the selection band
    s.Click(300, 300 - 20);
    EXPECT_EQ(s.doc->SelStart(), 100);
    s.Click(300, 101);
    EXPECT_EQ(s.doc->SelEnd(), 600);
    s.Click(20, 300 - 21);
    EXPECT_EQ(s.doc->SelStart(), 40);
}

TEST(ViewMouse, AnAnchorPastTheTraceIsClampedToItsEnd) {
    Scene s({std::vector<float>(50, 1.0f)}, 1, 400);
    CtesqView::s_nSelAnchor = 700;
    s.Click(20, 150);
    EXPECT_EQ(s.doc->SelStart(), 20);
    EXPECT_EQ(s.doc->SelEnd(), 50);
}

TEST(ViewMouse, LegendClicksToggleCurvesInTheirColumns) {
    Scene s({{1, 2}, {1, 2}, {1, 2}}, 1, 100);  // columns of 33 pixels
    s.Click(40, 300 - 19);
    EXPECT_EQ(s.doc->IsCurveHidden(1), 1);
    s.Click(40, 300 - 19);
    EXPECT_EQ(s.doc->IsCurveHidden(1), 0);
    s.Click(40, 300 - 20);  // not in the legend band
    EXPECT_EQ(s.doc->IsCurveHidden(1), 0);
}

TEST(ViewMouse, ReadOutStatusLineAndWheel) {
    Scene s({{1.5f, 2, 3}}, 1, 400, 300, [](CTraceData& t) {
        t.m_strCurveName[0] = "U1";
        t.m_strCurveUnit[0] = "V";
    });
    QString status;
    s.view.m_setStatusText = [&status](const QString& text) { status = text; };
    s.Move(1, 150);
    EXPECT_EQ(s.view.m_toolTip.GetText(), "00:01  U1:2.000V");
    EXPECT_TRUE(status.startsWith(QStringLiteral("SCREEN.X=1 @SHOW=1(3) @TESQ=1(3)")));
    EXPECT_TRUE(s.view.m_toolTip.IsActive());
    s.Move(200, 150);  // past the data: unchanged
    EXPECT_EQ(s.view.m_toolTip.GetText(), "00:01  U1:2.000V");
    s.Move(1, 100);  // above the plot band: hidden
    EXPECT_FALSE(s.view.m_toolTip.IsActive());

    Scene wide({std::vector<float>(5000, 1.0f)}, 1, 400);
    wide.view.SetScrollPos(1000);
    wide.view.OnMouseWheel(240);  // two notches away from the user: 200 columns left
    EXPECT_EQ(wide.view.GetScrollPosition(), 800);
    wide.view.OnMouseWheel(60);
    EXPECT_EQ(wide.view.GetScrollPosition(), 800);

    // The pointer stays still while the view zooms or scrolls under it: the read-out follows.
    wide.Move(100, 150);
    EXPECT_EQ(wide.view.m_toolTip.GetText(), "15:00  :1.000");  // column 900
    wide.view.OnZoomIn();                                       // decimation stays 1: nothing moves
    wide.view.SetScrollPos(0);
    EXPECT_EQ(wide.view.m_toolTip.GetText(), "01:40  :1.000");
    wide.doc->SetDecimation(2);
    wide.view.OnZoomIn();
    EXPECT_EQ(wide.view.m_toolTip.GetText(), "01:40  :1.000");
    wide.view.OnZoomOut();
    EXPECT_EQ(wide.view.m_toolTip.GetText(), "03:20  :1.000");
}

TEST(ViewKeys, TypedCommandsRunWithEnterAndStay) {
    Scene s({std::vector<float>(1000, 1.0f)}, 1, 400);
    QTest::keyClicks(&s.view, QStringLiteral("goto 120"));
    QTest::keyClick(&s.view, Qt::Key_Return);
    EXPECT_EQ(s.view.m_strCommand, "goto 120");
    EXPECT_EQ(s.view.GetScrollPosition(), 999 * 120 / 1000);
    QTest::keyClick(&s.view, Qt::Key_Escape);
    EXPECT_EQ(s.view.m_strCommand, "");
    QTest::keyClick(&s.view, Qt::Key_Backspace);
    EXPECT_EQ(s.view.m_strCommand, "");
}

// Only Ctrl with a letter (or @ [ \\ ] ^ _) is a control code: Ctrl+Minus, Ctrl+0 and Ctrl+1
// would else come out as Enter, Ctrl+P and Ctrl+Q, and run the command line again.
TEST(ViewKeys, CtrlWithAKeyThatIsNoLetterTypesNothing) {
    Scene s({std::vector<float>(1000, 1.0f)}, 1, 400);
    QTest::keyClicks(&s.view, QStringLiteral("goto 120"));
    QTest::keyClick(&s.view, Qt::Key_Return);
    s.view.SetScrollPos(0);
    for (const Qt::Key key : {Qt::Key_Minus, Qt::Key_0, Qt::Key_1, Qt::Key_Equal})
        QTest::keyClick(&s.view, key, Qt::ControlModifier);
    EXPECT_EQ(s.view.GetScrollPosition(), 0);
    EXPECT_EQ(s.view.m_strCommand, "goto 120");
    QTest::keyClick(&s.view, Qt::Key_M, Qt::ControlModifier);  // Ctrl+M is Enter, as ever
    EXPECT_EQ(s.view.GetScrollPosition(), 999 * 120 / 1000);
}

TEST(ViewKeys, CtrlArrowsStepBetweenMarkersAndCtrlTFlipsThePolarity) {
    std::vector<float> trace(900, 0.0f);
    for (int i = 500; i <= 509; ++i) trace[static_cast<std::size_t>(i)] = 3000;
    Scene s({trace}, 1, 400);  // R = 899
    QTest::keyClick(&s.view, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(s.view.GetScrollPosition(), 899 * 400 / 900);
    QTest::keyClick(&s.view, Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(s.view.m_bSeekNegative & 1, 1);
    EXPECT_EQ(s.view.m_strCommand, "");  // Ctrl+T types nothing
    QTest::keyClick(&s.view, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(s.view.GetScrollPosition(), 0);  // no negative marker: back to the start
    QTest::keyClick(&s.view, Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(s.view.m_bSeekNegative & 1, 0);
}

TEST(CurveDialog, FormatsParsesLenientlyAndConfirmsWithEnter) {
    CDlgCurvePara dialog;
    dialog.m_dblTop = 2.5;
    dialog.m_dblBottom = -2.5;
    dialog.m_dblMax = 1.0 / 3;
    dialog.DoDataExchange(false);
    EXPECT_EQ(dialog.m_pTop->text(), QStringLiteral("2.500"));
    EXPECT_EQ(dialog.m_pBottom->text(), QStringLiteral("-2.500"));
    EXPECT_EQ(dialog.m_strMax, "0.333");
    for (const auto& [text, value] :
         std::vector<std::pair<QString, double>>{{QStringLiteral("abc"), 0.0},
                                                 {QStringLiteral("1e3"), 1000.0},
                                                 {QStringLiteral(" 12.5V"), 12.5}}) {
        dialog.m_pTop->setText(text);
        dialog.DoDataExchange(true);
        EXPECT_EQ(dialog.m_dblTop, value) << text.toStdString();
    }
    dialog.m_dblTop = 7;
    AnswerNextDialog(Qt::Key_Return);  // OK has the focus: confirms at once, unchanged
    EXPECT_EQ(dialog.DoModal(), CDlgCurvePara::IDOK);
    EXPECT_EQ(dialog.m_dblTop, 7.0);
}

TEST(CurveDialog, RightClickInTheLegendEditsTheRangeAndCancelKeepsIt) {
    Scene s({{1, 9}, {2, 4}}, 1, 200);
    s.doc->SetCurveRange(1, s.doc->Trace().m_fCurveBottom[1], 5);
    AnswerNextDialog(Qt::Key_Escape);
    s.Click(150, 300 - 10, Qt::RightButton);
    EXPECT_EQ(s.doc->Trace().m_fCurveTop[1], 5.0f);
    QTimer::singleShot(0, [] {
        auto* dialog = dynamic_cast<CDlgCurvePara*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->m_strMax, "4.000");
        EXPECT_EQ(dialog->m_strMin, "2.000");
        dialog->m_pTop->setText(QStringLiteral("12.25"));
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    s.Click(150, 300 - 10, Qt::RightButton);
    EXPECT_EQ(s.doc->Trace().m_fCurveTop[1], 12.25f);
}
