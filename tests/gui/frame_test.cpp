// The main window, in-process on the offscreen platform.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <limits>

#include "app/MainFrame.h"
#include "framework/core/Prompts.h"
#include "framework/gui/CommandActions.h"
#include "res/Resources.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TraceFixtures.h"

namespace {

struct FrameFixture {
    FrameFixture() : doc(DocWithSamples({{1, 2, 3, 4}})), frame(*doc, app) {
        doc->SetTitle("noname");
        frame.UpdateCaption();
        frame.Actions().Refresh();
    }
    CCmdTarget app;
    std::unique_ptr<CtesqDoc> doc;
    CMainFrame frame;
};

}  // namespace

TEST(MainFrame, CommandBarStartsHiddenAndTogglesWithItsCheckMark) {
    FrameFixture f;
    QAction* item = f.frame.Actions().Action(ID_VIEW_CMDBAR);
    EXPECT_FALSE(f.frame.m_wndCmdBar->isVisibleTo(&f.frame));
    EXPECT_FALSE(item->isChecked());
    item->trigger();
    EXPECT_TRUE(f.frame.m_wndCmdBar->isVisibleTo(&f.frame));
    EXPECT_TRUE(item->isChecked());
    item->trigger();
    EXPECT_FALSE(f.frame.m_wndCmdBar->isVisibleTo(&f.frame));
    EXPECT_FALSE(item->isChecked());
}

TEST(MainFrame, ExecRunsTheTextEachTimeAndLeavesIt) {
    FrameFixture f;
    f.doc->Select(0, 1);
    f.frame.m_wndCmdEdit->setText(QStringLiteral("kxb 0 2 0"));
    f.frame.m_wndExec->click();
    f.frame.m_wndExec->click();
    EXPECT_EQ(Samples(*f.doc, 0).at(0), 4.0f);
    EXPECT_EQ(f.frame.m_wndCmdEdit->text(), QStringLiteral("kxb 0 2 0"));
}

TEST(MainFrame, MenusHoldTheTableTextsAndShortcuts) {
    FrameFixture f;
    const QList<QAction*> menus = f.frame.menuBar()->actions();
    ASSERT_EQ(menus.size(), static_cast<qsizetype>(MainMenu().size()));
    for (std::size_t m = 0; m < MainMenu().size(); ++m) {
        const Menu& table = MainMenu()[m];
        EXPECT_EQ(menus[static_cast<qsizetype>(m)]->text().toStdString(), table.title);
        const QList<QAction*> items = menus[static_cast<qsizetype>(m)]->menu()->actions();
        ASSERT_EQ(items.size(), static_cast<qsizetype>(table.items.size())) << table.title;
        for (std::size_t i = 0; i < table.items.size(); ++i) {
            const MenuItem& expected = table.items[i];
            const QAction* action = items[static_cast<qsizetype>(i)];
            if (expected.id == ID_SEPARATOR) {
                EXPECT_TRUE(action->isSeparator());
                continue;
            }
            std::string text = action->text().toStdString();
            if (!action->shortcut().isEmpty())
                text += "\t" + action->shortcut().toString().toStdString();
            EXPECT_EQ(text, expected.text);
        }
    }
    const auto keys = [&f](unsigned id) { return f.frame.Actions().Action(id)->shortcuts(); };
    EXPECT_TRUE(keys(ID_EDIT_PASTE).contains(QKeySequence(QStringLiteral("Shift+Ins"))));
    EXPECT_TRUE(keys(ID_EDIT_UNDO).contains(QKeySequence(QStringLiteral("Alt+Backspace"))));
}

TEST(MainFrame, ToolbarHoldsTheFiveButtonsThenTheZoomToButtons) {
    FrameFixture f;
    const QList<QAction*> buttons = f.frame.m_wndToolBar->actions();
    ASSERT_EQ(buttons.size(), 7);
    EXPECT_EQ(buttons[5], f.frame.Actions().Action(ID_ZOOM_FIT));
    EXPECT_EQ(buttons[6], f.frame.Actions().Action(ID_ZOOM_SELECTION));
    EXPECT_FALSE(buttons[5]->icon().isNull());
    EXPECT_EQ(buttons[3], f.frame.Actions().Action(ID_ZOOM_OUT));
    EXPECT_EQ(buttons[3]->toolTip(), QStringLiteral("Zoom out"));
    EXPECT_EQ(buttons[4]->statusTip(), QStringLiteral("Zoom in"));
    EXPECT_EQ(f.frame.m_wndToolBar->iconSize(), QSize(32, 32));
}

TEST(MainFrame, CommandStatesOfAFreshDocumentAndAfterAnEdit) {
    FrameFixture f;
    const auto enabled = [&f](unsigned id) { return f.frame.Actions().Action(id)->isEnabled(); };
    for (const unsigned id :
         std::initializer_list<unsigned>{ID_FILE_SAVE, ID_ZOOM_IN, ID_EDIT_CUT, ID_EDIT_COPY,
                                         ID_EDIT_PASTE, ID_EDIT_UNDO, ID_NEXT_PANE})
        EXPECT_FALSE(enabled(id)) << id;
    EXPECT_TRUE(enabled(ID_ZOOM_OUT));
    f.doc->Select(f.doc->SelStart(), 2);
    f.doc->ExecuteCommand("kxb 0 2 1");
    f.frame.Actions().Refresh();
    EXPECT_TRUE(enabled(ID_FILE_SAVE));
    EXPECT_TRUE(enabled(ID_EDIT_CUT));
    EXPECT_TRUE(enabled(ID_EDIT_COPY));
    EXPECT_FALSE(enabled(ID_EDIT_PASTE));

    // The zoom rules at their edges.
    const auto refreshedAt = [&f](int decimation) {
        f.doc->SetDecimation(decimation);
        f.frame.Actions().Refresh();
    };
    refreshedAt(2);
    EXPECT_TRUE(enabled(ID_ZOOM_IN));
    refreshedAt(2048);
    EXPECT_TRUE(enabled(ID_ZOOM_OUT));
    refreshedAt(4096);
    EXPECT_FALSE(enabled(ID_ZOOM_OUT));
}

TEST(MainFrame, TheCaptionFollowsSaveAsEvenWhenTheSaveFails) {
    FrameFixture f;
    const SaveAsPrompt previous =
        SetSaveAsPrompt([](const std::string&, const std::string&, const std::string&) {
            return std::optional<std::string>("/nowhere/out.csv");
        });
    CMessageRecorder messages;
    EXPECT_FALSE(f.doc->DoSaveAs());
    SetSaveAsPrompt(previous);
    EXPECT_EQ(f.frame.windowTitle(), QStringLiteral("osc - out.csv"));
}

TEST(MainFrame, TheCommandBarFlagFollowsHoweverTheBarIsHidden) {
    FrameFixture f;
    QAction* item = f.frame.Actions().Action(ID_VIEW_CMDBAR);
    item->trigger();
    ASSERT_TRUE(item->isChecked());
    f.frame.m_wndCmdBar->hide();  // as the toolbar area's context menu does
    f.frame.Actions().Refresh();
    EXPECT_FALSE(item->isChecked());
    EXPECT_EQ(f.frame.m_bShowCmdBar, 0);
    item->trigger();  // the first click shows it again
    EXPECT_TRUE(f.frame.m_wndCmdBar->isVisibleTo(&f.frame));
    EXPECT_TRUE(item->isChecked());
}

TEST(MainFrame, RecentEntriesAreNumberedAndShowAmpersands) {
    FrameFixture f;
    std::vector<std::string> paths;
    for (int i = 1; i <= 10; ++i) paths.push_back("/t/R&D " + std::to_string(i) + ".txt");
    f.frame.SetRecentFiles(paths);
    QStringList texts;
    for (QAction* a : f.frame.menuBar()->actions().front()->menu()->actions())
        if (a->text().contains(QStringLiteral("R&&D"))) texts.append(a->text());
    ASSERT_EQ(texts.size(), 10);
    EXPECT_EQ(texts.front(), QStringLiteral("&1 /t/R&&D 1.txt"));
    EXPECT_EQ(texts.back(), QStringLiteral("1&0 /t/R&&D 10.txt"));
}

TEST(MainFrame, LockIndicatorsShowNothingWhereTheStateCannotBeRead) {
    FrameFixture f;  // the offscreen platform tells no lock state
    const auto labels = f.frame.statusBar()->findChildren<QLabel*>();
    for (const char* text : {"CAP", "NUM", "SCRL"})
        for (const QLabel* label : labels) EXPECT_NE(label->text(), QString::fromLatin1(text));
}

TEST(MainFrame, ToolbarTipsForTheFrameworkCommandsArePlainWords) {
    FrameFixture f;
    const QList<QAction*> buttons = f.frame.m_wndToolBar->actions();
    ASSERT_GE(buttons.size(), 3);
    EXPECT_EQ(buttons[0]->toolTip(), QStringLiteral("New"));
    EXPECT_EQ(buttons[1]->toolTip(), QStringLiteral("Open"));
    EXPECT_EQ(buttons[2]->toolTip(), QStringLiteral("Save"));
    EXPECT_EQ(buttons[0]->statusTip(), QStringLiteral("Create a new document"));
}

TEST(MainFrame, CopyPutsTheSelectedSamplesOfTheShownCurvesOnTheClipboard) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    auto doc = DocWithSamples({{1.5f, 2, 3}, {7, 8, 9}, {nan, -0.25f, 1e-7f}}, [](CTraceData& t) {
        t.m_strCurveName[0] = "U1";
        t.m_strCurveUnit[0] = "V";
        t.m_strCurveName[2] = "I";
        t.m_dblStep = 1.25;
        t.m_strStepUnit = "ns";
    });
    doc->SetCurveHidden(1, true);  // what is not shown is not copied
    CCmdTarget app;
    CMainFrame frame(*doc, app);
    frame.Actions().Refresh();
    QAction* copy = frame.Actions().Action(ID_EDIT_COPY);
    EXPECT_FALSE(copy->isEnabled());
    doc->Select(0, 2);
    frame.Actions().Refresh();
    ASSERT_TRUE(copy->isEnabled());
    QApplication::clipboard()->clear();
    copy->trigger();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
              "time [ns]\tU1 [V]\tI\n0\t1.5\t\n1.25\t2\t-0.25\n");
    EXPECT_FALSE(doc->IsModified());  // Cut's side effects are not Copy's
}
