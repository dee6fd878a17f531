// The application: start-up, opening, the recent-file list across runs.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QUrl>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <stdexcept>
#include <thread>

#include "app/BackgroundOpen.h"
#include "app/ColumnChooser.h"
#include "app/MainFrame.h"
#include "app/MeasurementsDock.h"
#include "app/SaveDialog.h"
#include "app/Settings.h"
#include "app/tesqApp.h"
#include "framework/core/MessageSink.h"
#include "framework/core/Prompts.h"
#include "framework/gui/CommandActions.h"
#include "framework/gui/QtText.h"
#include "generated/Version.h"
#include "ids/CommandIds.h"
#include "tests/gui/WaitFor.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TraceFixtures.h"
#include "view/tesqView.h"

namespace fs = std::filesystem;

TEST(App, StartsWithANewDocumentOrTheNamedFile) {
    CtesqApp fresh;
    ASSERT_TRUE(fresh.InitInstance({"tesqv"}));
    EXPECT_EQ(fresh.GetMainWnd()->windowTitle(), QStringLiteral("osc - noname"));

    const std::string trace = WriteTemp("demo.txt", "FileType QDL-RV\nCurve a\n\n1\n2\n");
    CtesqApp opened;
    ASSERT_TRUE(opened.InitInstance({"tesqv", trace}));
    EXPECT_EQ(opened.GetMainWnd()->windowTitle().toStdString(),
              "osc - " + fs::path(trace).filename().string());
    EXPECT_EQ(opened.GetDocument().Trace().m_nSampleCount, 2);

    // An unknown extension: the message, the previous trace kept; at start-up, no window.
    const std::string other = WriteTemp("notes.abc", "x");
    CMessageRecorder messages;
    EXPECT_FALSE(opened.OpenDocumentFile(other));
    EXPECT_EQ(messages.m_messages, std::vector<std::string>{"unknow file type."});
    EXPECT_EQ(opened.GetDocument().Trace().m_nSampleCount, 2);
    CtesqApp refused;
    EXPECT_FALSE(refused.InitInstance({"tesqv", other}));
    fs::remove(trace);
    fs::remove(other);
}

TEST(App, RecentFilesKeepTenAndSurviveARestart) {
    {
        CtesqApp app;
        ASSERT_TRUE(app.InitInstance({"tesqv"}));
        for (int i = 1; i <= 12; ++i)
            app.AddToRecentFileList("/traces/t" + std::to_string(i) + ".txt");
        EXPECT_EQ(app.RecentFiles().size(), 10u);
    }
    CtesqApp again;
    ASSERT_TRUE(again.InitInstance({"tesqv"}));
    ASSERT_EQ(again.RecentFiles().size(), 10u);
    EXPECT_EQ(again.RecentFiles().front(), "/traces/t12.txt");
    EXPECT_EQ(again.RecentFiles().back(), "/traces/t3.txt");
}

TEST(App, NewOffersToSaveAModifiedDocumentFirst) {
    CtesqApp app;
    ASSERT_TRUE(app.InitInstance({"tesqv"}));
    CtesqDoc& doc = app.GetDocument();
    CTraceData marked;
    marked.m_strHeaderText = "kept";
    doc.TakeTrace(std::move(marked));
    doc.SetModifiedFlag(true);
    int answer = IDCANCEL;
    SetSaveChangesQuestion([&answer](const std::string&) { return answer; });
    app.OnFileNew();
    EXPECT_EQ(doc.Trace().m_strHeaderText, "kept");  // cancelled
    answer = IDNO;
    app.OnFileNew();
    EXPECT_EQ(doc.Trace().m_strHeaderText, "");
    EXPECT_FALSE(doc.IsModified());
    SetSaveChangesQuestion({});
}

TEST(App, ADroppedFileOpensAfterTheSaveQuestion) {
    CtesqApp app;
    ASSERT_TRUE(app.InitInstance({"tesqv"}));
    const std::string trace = WriteTemp("dropped.txt", "FileType QDL-RV\nCurve a\n\n1\n2\n3\n");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(ToQString(trace))});
    app.GetDocument().SetModifiedFlag(true);
    int asked = 0;
    SetSaveChangesQuestion([&asked](const std::string&) {
        ++asked;
        return IDNO;
    });
    app.GetMainWnd()->OpenDropped(data);
    app.Opener().Wait();
    SetSaveChangesQuestion({});
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(app.GetDocument().Trace().m_nSampleCount, 3);
    EXPECT_EQ(app.GetMainWnd()->windowTitle().toStdString(),
              "osc - " + fs::path(trace).filename().string());
    fs::remove(trace);
}

TEST(App, AboutBoxShowsTheIconAtTheTopLeftBesideTheText) {
    EXPECT_EQ(AboutText(),
              std::string("Version: ") + TESQV_VERSION + "\nBuild: " + TESQV_BUILD_DATE);
    EXPECT_TRUE(std::regex_match(TESQV_BUILD_DATE, std::regex("20[0-9]{2}-[01][0-9]-[0-3][0-9]")));
    CtesqApp app;
    ASSERT_TRUE(app.InitInstance({"tesqv"}));
    QTimer::singleShot(0, [] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        const auto* icon = box->findChild<QLabel*>(QStringLiteral("IDR_MAINFRAME"));
        ASSERT_NE(icon, nullptr);
        EXPECT_FALSE(icon->pixmap().isNull());
        for (const QLabel* other : box->findChildren<QLabel*>()) {
            if (other != icon) {
                EXPECT_LT(icon->geometry().left(), other->geometry().left());
            }
        }
        box->close();
    });
    app.OnAppAbout();
}

TEST(App, OpensFilesWhoseNamesAreNotUtf8) {
    const CTempDir temp("tesqv-names");
    const std::string latin1 = temp.Path("caf\xe9.txt");
    Put(latin1, "FileType QDL-RV\nCurve a\n\n1\n2\n");
    CtesqApp app;
    ASSERT_TRUE(app.InitInstance({"tesqv", latin1}));
    EXPECT_EQ(app.GetDocument().Trace().m_nSampleCount, 2);
    EXPECT_EQ(app.GetDocument().GetPathName(), latin1);

    const std::string dropped = temp.Path("\xff\xfe.txt");
    Put(dropped, "FileType QDL-RV\nCurve a\n\n1\n2\n3\n");
    QMimeData data;
    data.setUrls(
        {QUrl::fromEncoded("file://" + QByteArray::fromStdString(dropped).toPercentEncoding("/"))});
    app.GetMainWnd()->OpenDropped(data);
    app.Opener().Wait();
    EXPECT_EQ(app.GetDocument().Trace().m_nSampleCount, 3);
}

TEST(App, SaveDialogGivesABareNameTheChosenFiltersExtension) {
    const CTempDir temp("tesqv-dialog");
    QTimer::singleShot(0, [&temp] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->setDirectory(ToQString(temp.Path().string()));
        dialog->selectNameFilter(QStringLiteral("TEXT Files (*.txt)"));
        dialog->selectFile(QStringLiteral("bare"));
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog's own accept is protected
    });
    QWidget parent;
    const auto chosen =
        RunSaveDialog(&parent, "OSC Files (*.osc)|*.osc|TEXT Files (*.txt)|*.txt||", "osc");
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, temp.Path("bare.txt"));
}

TEST(App, AFileOfMoreThanEightColumnsAsksWhichAndTheAnswerIsRemembered) {
    const CTempDir temp("tesqv-columns");
    std::string text = "t,c1,c2,c3,c4,c5,c6,c7,c8,c9,c10\n";
    for (int r = 0; r < 3; ++r) text += std::to_string(r) + ",1,2,3,4,5,6,7,8,9,10\n";
    const std::string wide = temp.Path("wide.csv");
    Put(wide, text);
    AppSettings().remove(QStringLiteral("Columns"));  // nothing remembered from other runs

    // The dialog: the first eight ticked, OK only for 1 to 8, the ticks kept for next time.
    const auto answer = [](std::function<void(QListWidget*, QPushButton*)> act) {
        QTimer::singleShot(0, [act] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr);
            auto* list = box->findChild<QListWidget*>(QStringLiteral("columns"));
            auto* buttons = box->findChild<QDialogButtonBox*>();
            ASSERT_TRUE(list != nullptr && buttons != nullptr);
            act(list, buttons->button(QDialogButtonBox::Ok));
        });
    };
    const std::vector<std::string> columns = {"c1", "c2", "c3", "c4", "c5",
                                              "c6", "c7", "c8", "c9", "c10"};
    answer([](QListWidget* list, QPushButton* ok) {
        ASSERT_EQ(list->count(), 10);
        int ticked = 0;
        for (int k = 0; k < list->count(); ++k)
            ticked += list->item(k)->checkState() == Qt::Checked;
        EXPECT_EQ(ticked, 8);
        list->item(9)->setCheckState(Qt::Checked);
        EXPECT_FALSE(ok->isEnabled());  // nine
        list->item(8)->setCheckState(Qt::Checked);
        for (int k = 0; k < 8; ++k) list->item(k)->setCheckState(Qt::Unchecked);
        EXPECT_TRUE(ok->isEnabled());
        ok->click();
    });
    EXPECT_EQ(ChooseColumns(nullptr, wide, columns, 8), (std::vector<std::string>{"c9", "c10"}));
    answer([](QListWidget* list, QPushButton* ok) {
        ASSERT_EQ(list->count(), 10);
        EXPECT_EQ(list->item(0)->checkState(), Qt::Unchecked);  // remembered, not the first 8
        ok->click();
    });
    EXPECT_EQ(ChooseColumns(nullptr, wide, columns, 8), (std::vector<std::string>{"c9", "c10"}));

    // Opening asks through the hook, and reading takes the answer.
    SetColumnChoice([](const std::string&, const std::vector<std::string>& offered) {
        EXPECT_EQ(offered.size(), 10u);
        return std::optional<std::vector<std::string>>({"c10", "c2"});
    });
    CtesqApp app;
    ASSERT_TRUE(app.InitInstance({"tesqv", wide}));
    SetColumnChoice({});
    ASSERT_EQ(app.GetDocument().Trace().m_nCurveCount, 2);
    EXPECT_EQ(app.GetDocument().Trace().m_strCurveName[0], "c10");
}

TEST(App, AnythingThrownWhileAFileIsReadIsAFailedOpenThatKeepsTheTrace) {
    const CTempDir temp("tesqv-throw");
    const std::string first = temp.Path("a.txt"), second = temp.Path("b.txt");
    Put(first, "FileType QDL-RV\nCurve a\n\n1\n2\n");
    Put(second, "FileType QDL-RV\nCurve a\n\n1\n2\n3\n");
    CtesqApp app;
    ASSERT_TRUE(app.InitInstance({"tesqv", first}));
    for (int round = 0; round < 2; ++round) {  // the next open is not the worse for it
        CMessageRecorder messages;
        app.OpenInBackground(second, {},
                             [](std::size_t) { throw std::runtime_error("disk on fire"); });
        app.Opener().Wait();
        EXPECT_EQ(messages.m_messages,
                  std::vector<std::string>{second + " could not be opened: disk on fire."});
        EXPECT_EQ(app.GetDocument().Trace().m_nSampleCount, 2);
        EXPECT_EQ(app.GetDocument().GetPathName(), first);
    }
    app.OpenInBackground(second);
    app.Opener().Wait();
    EXPECT_EQ(app.GetDocument().Trace().m_nSampleCount, 3);
}

TEST(App, CancelStopsTheDisplayColumnsBuildToo) {
    const CTempDir temp("tesqv-cancel");
    const std::string first = temp.Path("a.txt"), big = temp.Path("big.txt");
    Put(first, "FileType QDL-RV\nCurve a\n\n1\n2\n");
    std::string rows = "FileType QDL-RV\nCurve a V 0 10\n\n";
    for (int r = 0; r < 3'000'000; ++r) rows += "1\n";
    Put(big, rows);
    CtesqApp app;
    ASSERT_TRUE(app.InitInstance({"tesqv", first}));
    for (int round = 0; round < 2; ++round) {  // the cancel flag is reset for the next open
        std::uint64_t read = 0;
        app.OpenInBackground(big, {}, [&](std::size_t n) {
            read += n;
            // Both passes are over: what is left is the display columns.
            if (read >= 2 * rows.size()) app.Opener().Cancel();
        });
        app.Opener().Wait();
        EXPECT_EQ(app.GetDocument().Trace().m_nSampleCount, 2) << round;
    }
    app.OpenInBackground(big);
    app.Opener().Wait();
    EXPECT_EQ(app.GetDocument().Trace().m_nSampleCount, 3'000'000);
}

TEST(App, FollowingAFileThatCannotBeReadSaysSoInTheStatusBarAndTriesAgain) {
    const CTempDir temp("tesqv-follow-fail");
    const std::string path = temp.Path("live.osc");
    Put(path, "abc");
    CtesqApp app;
    ASSERT_TRUE(app.InitInstance({"tesqv", path}));
    CMessageRecorder messages;
    // Replaced by something that is no file: no box, the status bar says it, the trace stays.
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    app.OnFileReload(true);
    app.Opener().Wait();
    EXPECT_TRUE(messages.m_messages.empty());
    EXPECT_FALSE(app.GetMainWnd()->statusBar()->currentMessage().isEmpty());
    EXPECT_EQ(app.GetDocument().Trace().m_nSampleCount, 3);
    // A read that fails (a capture growing under it) is said the same way.
    std::filesystem::remove(path);
    Put(path, std::string(std::size_t{9} << 20, 'x'));
    app.GetMainWnd()->statusBar()->clearMessage();
    app.OpenInBackground(
        path, {}, [&path](std::size_t) { Put(path, "y"); }, true);
    app.Opener().Wait();
    EXPECT_TRUE(messages.m_messages.empty());
    EXPECT_FALSE(app.GetMainWnd()->statusBar()->currentMessage().isEmpty());
    // The next change is tried again, and read.
    Put(path, "abcd");
    app.OnFileReload(true);
    app.Opener().Wait();
    EXPECT_EQ(app.GetDocument().Trace().m_nSampleCount, 4);
}

TEST(App, ACaptureChangedOnDiskIsToldOnceAndReadAgainWhenTheUserSays) {
    const CTempDir temp("tesqv-changed");
    const std::string path = temp.Path("c.osc");
    Put(path, std::string(1000, '\x05'));
    CtesqApp app;
    ASSERT_TRUE(app.InitInstance({"tesqv", path}));
    std::vector<std::string> asked;
    bool answer = false;
    const YesNoQuestion before = SetYesNoQuestion([&](const std::string& question) {
        asked.push_back(question);
        return answer;
    });
    app.CheckSamplesOnDisk();
    EXPECT_TRUE(asked.empty());
    Put(path, std::string(2000, '\x07'));
    app.CheckSamplesOnDisk();
    app.CheckSamplesOnDisk();
    ASSERT_EQ(asked, std::vector<std::string>{
                         "c.osc changed on disk: samples not read before it changed show as gaps "
                         "until it is read again. Reload it?"});
    EXPECT_TRUE(
        app.GetMainWnd()->statusBar()->currentMessage().contains(QStringLiteral("File > Reload")));
    EXPECT_EQ(app.GetDocument().Trace().m_nSampleCount, 1000);
    // Read again, the trace is watched afresh; this time the user says yes.
    app.OnFileReload();
    app.Opener().Wait();
    EXPECT_EQ(app.GetDocument().Trace().m_nSampleCount, 2000);
    EXPECT_TRUE(app.GetMainWnd()->statusBar()->currentMessage().isEmpty());
    Put(path, std::string(3000, '\x09'));
    answer = true;
    app.CheckSamplesOnDisk();
    app.Opener().Wait();
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(app.GetDocument().Trace().m_nSampleCount, 3000);
    // Not over a dialog: asked once it has closed.
    Put(path, std::string(4000, '\x0B'));
    QDialog dialog;
    QTimer::singleShot(0, &dialog, [&] {
        app.CheckSamplesOnDisk();
        dialog.reject();
    });
    dialog.exec();
    EXPECT_EQ(asked.size(), 2u);
    app.CheckSamplesOnDisk();
    app.Opener().Wait();
    EXPECT_EQ(asked.size(), 3u);
    EXPECT_EQ(app.GetDocument().Trace().m_nSampleCount, 4000);
    // Reloaded on change anyway: told in the status bar, not asked.
    app.SetAutoReload(true);
    Put(path, std::string(5000, '\x0C'));
    app.CheckSamplesOnDisk();
    EXPECT_EQ(asked.size(), 3u);
    EXPECT_TRUE(
        app.GetMainWnd()->statusBar()->currentMessage().contains(QStringLiteral("File > Reload")));
    app.SetAutoReload(false);
    // Nor while a read is about to replace the trace.
    app.OnFileReload();
    app.Opener().Wait();
    const std::string other = temp.Path("other.txt");
    Put(other, "FileType QDL-RV\nCurve a\n\n1\n");
    Put(path, std::string(6000, '\x0D'));
    std::atomic<bool> checked{false};
    app.OpenInBackground(other, {}, [&](std::size_t) {
        while (!checked) std::this_thread::yield();
    });
    app.CheckSamplesOnDisk();
    checked = true;
    app.Opener().Wait();
    EXPECT_EQ(asked.size(), 3u);
    EXPECT_EQ(app.GetDocument().GetPathName(), other);
    SetYesNoQuestion(before);
}

TEST(App, TheClickAnchorBelongsToTheTraceItWasMadeIn) {
    const CTempDir temp("tesqv-anchor");
    const std::string a = temp.Path("a.txt"), b = temp.Path("b.txt");
    std::string rows = "FileType QDL-RV\nCurve a\n\n";
    for (int r = 0; r < 2000; ++r) rows += "1\n";
    Put(a, rows);
    Put(b, rows);
    CtesqApp app;
    ASSERT_TRUE(app.InitInstance({"tesqv", a}));
    CtesqView::s_nSelAnchor = 700;  // the last click in a
    app.OpenInBackground(b);
    app.Opener().Wait();
    EXPECT_EQ(CtesqView::s_nSelAnchor, 0);  // as a fresh view would have it
    CtesqView::s_nSelAnchor = 300;
    app.OnFileReload();  // the same trace again: the anchor stays
    app.Opener().Wait();
    EXPECT_EQ(CtesqView::s_nSelAnchor, 300);
    app.OnFileNew();
    EXPECT_EQ(CtesqView::s_nSelAnchor, 0);
}

TEST(App, RecentFilesAreAbsoluteKeptAtOnceAndClosedWhileAFileIsRead) {
    const CTempDir temp("tesqv-recent");
    std::filesystem::create_directory(temp.Path("data"));
    std::string rows = "FileType QDL-RV\nCurve a\n\n";
    for (int r = 0; r < 400000; ++r) rows += "1\n";
    Put(temp.Path("data/t.txt"), rows);
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(temp.Path());
    AppSettings().remove(QStringLiteral("Recent File List"));
    {
        CtesqApp app;
        ASSERT_TRUE(app.InitInstance({"tesqv", "data/t.txt"}));
        const std::string absolute = temp.Path("data/t.txt");
        // In the store already, with no exit in between.
        EXPECT_EQ(AppSettings().value(QStringLiteral("Recent File List/File1")).toString(),
                  ToQString(absolute));
        const auto entries = [&app] {
            std::vector<QAction*> found;
            for (QAction* a : app.GetMainWnd()->findChildren<QAction*>())
                if (a->text().startsWith(QStringLiteral("&1 ")) &&
                    !a->associatedObjects().isEmpty())
                    found.push_back(a);  // in the menu, not one of those just replaced
            return found;
        };
        ASSERT_EQ(entries().size(), 1u);
        app.GetMainWnd()->RefreshRecentFiles();
        EXPECT_TRUE(entries()[0]->isEnabled());
        app.OpenInBackground(absolute);
        app.GetMainWnd()->RefreshRecentFiles();
        EXPECT_FALSE(entries()[0]->isEnabled());  // a click now would be ignored: not offered
        app.Opener().Wait();
        app.GetMainWnd()->RefreshRecentFiles();
        EXPECT_TRUE(entries()[0]->isEnabled());
    }
    std::filesystem::current_path(before);
}

TEST(App, FileDialogsStartWhereTheTraceIsAndTheKeysComeBackToThePlot) {
    const CTempDir temp("tesqv-start");
    std::filesystem::create_directory(temp.Path("deep"));
    const std::string trace = temp.Path("deep/t.txt");
    Put(trace, "FileType QDL-RV\nCurve a\n\n1\n2\n");
    CtesqApp app;
    ASSERT_TRUE(app.InitInstance({"tesqv", trace}));
    EXPECT_EQ(app.StartFolder(), temp.Path("deep"));
    QTimer::singleShot(0, [&temp] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->directory().absolutePath(), ToQString(temp.Path("deep")));
        dialog->reject();
    });
    app.OnFileOpen();
    app.OnFileNew();  // no trace: the last file opened
    EXPECT_EQ(app.StartFolder(), temp.Path("deep"));

    // After a dialog, the plot has the keys again, without a click that would select.
    CtesqView* view = app.GetMainWnd()->GetActiveView();
    app.GetMainWnd()->activateWindow();
    auto* table = app.GetMainWnd()->findChild<QTableWidget*>();
    ASSERT_NE(table, nullptr);
    CMainFrame* frame = app.GetMainWnd();
    if (!frame->Measurements()->isVisible()) frame->Router().Execute(ID_VIEW_MEASUREMENTS);
    QCoreApplication::processEvents();  // the open dialog's hand-back has happened
    table->setFocus();                  // the keys were elsewhere before the next dialog
    ASSERT_TRUE(WaitFor([&] { return frame->focusWidget() == table; }));
    QTimer::singleShot(0, [] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        box->close();
    });
    app.OnAppAbout();
    EXPECT_TRUE(WaitFor([&] { return frame->focusWidget() == view; }, 2000));
    // Copy in the Measurements dock hands them back too.
    table->setFocus();
    QPushButton* copy = nullptr;
    for (auto* button : app.GetMainWnd()->findChildren<QPushButton*>())
        if (button->text() == QStringLiteral("Copy")) copy = button;
    ASSERT_NE(copy, nullptr);
    copy->click();
    EXPECT_TRUE(WaitFor([&] { return frame->focusWidget() == view; }, 2000));
    frame->Router().Execute(ID_VIEW_MEASUREMENTS);  // the next test expects it closed
}

// A recent file that is gone leaves the list once it says so; Export image's dialog says
// what it is for, and a print to a file goes beside the trace.
TEST(App, AGoneRecentFileLeavesTheListAndDialogsSayWhatTheyAreFor) {
    const CTempDir temp("tesqv-gone");
    const std::string trace = temp.Path("t.txt"), gone = temp.Path("gone.txt");
    Put(trace, "FileType QDL-RV\nCurve a\n\n1\n2\n");
    Put(gone, "FileType QDL-RV\nCurve a\n\n1\n2\n");
    CtesqApp app;
    ASSERT_TRUE(app.InitInstance({"tesqv", gone}));
    ASSERT_TRUE(app.OpenDocumentFile(trace));
    std::filesystem::remove(gone);
    CMessageRecorder messages;
    app.OpenInBackground(gone);
    EXPECT_EQ(messages.m_messages, std::vector<std::string>{gone + " was not found."});
    EXPECT_EQ(app.RecentFiles(), std::vector<std::string>{trace});

    std::string title;
    const SaveAsPrompt before =
        SetSaveAsPrompt([&title](const std::string&, const std::string&, const std::string& asked) {
            title = asked;
            return std::optional<std::string>();
        });
    app.OnFileExportImage();
    SetSaveAsPrompt(before);
    EXPECT_EQ(title, "Export image");

    QPrinter printer;
    QTimer::singleShot(0, [] {
        if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
    });
    app.GetMainWnd()->GetActiveView()->OnPreparePrinting(printer);
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        EXPECT_EQ(printer.outputFileName(), ToQString(temp.Path("t.pdf")));
    }
    EXPECT_EQ(printer.docName(), QStringLiteral("t"));
}

TEST(App, FilePropertiesListsWhatTheFileSaidAboutTheTrace) {
    const CTempDir temp("tesqv-properties");
    const std::string path = temp.Path("scope.csv");
    Put(path,
        "Model,DSO-X 1234\nSample Interval,2.0e-06\nSerial Number,C01234\n"
        "TIME,CH1\n-4e-06,0.1\n-2e-06,0.2\n0,0.4\n");
    CtesqApp app;
    ASSERT_TRUE(app.InitInstance({"tesqv", path}));
    ASSERT_NE(app.GetMainWnd(), nullptr);
    QAction* item = app.GetMainWnd()->Actions().Action(ID_FILE_PROPERTIES);
    ASSERT_NE(item, nullptr);
    std::map<std::string, std::string> shown;
    QTimer::singleShot(0, [&shown] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        const auto* table = box->findChild<QTableWidget*>();
        ASSERT_NE(table, nullptr);
        for (int r = 0; r < table->rowCount(); ++r)
            if (table->item(r, 0) != nullptr && table->item(r, 1) != nullptr)
                shown[table->item(r, 0)->text().toStdString()] =
                    table->item(r, 1)->text().toStdString();
        box->close();
    });
    item->trigger();
    EXPECT_EQ(shown["File"], path);
    EXPECT_EQ(shown["Header: Serial Number"], "C01234");
    EXPECT_EQ(shown["Step from"], "the preamble's \"Sample Interval\"");
    EXPECT_EQ(shown["First sample at"], "-4 us");
}
