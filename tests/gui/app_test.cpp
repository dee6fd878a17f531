// The application: start-up, opening, the recent-file list across runs.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <regex>

#include "app/BackgroundOpen.h"
#include "app/MainFrame.h"
#include "app/SaveDialog.h"
#include "app/tesqApp.h"
#include "framework/core/MessageSink.h"
#include "framework/core/Prompts.h"
#include "framework/gui/QtText.h"
#include "generated/Version.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TraceFixtures.h"

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
    EXPECT_EQ(opened.GetDocument().m_nSampleCount, 2);

    // An unknown extension: the message, the previous trace kept; at start-up, no window.
    const std::string other = WriteTemp("notes.abc", "x");
    CMessageRecorder messages;
    EXPECT_FALSE(opened.OpenDocumentFile(other));
    EXPECT_EQ(messages.m_messages, std::vector<std::string>{"unknow file type."});
    EXPECT_EQ(opened.GetDocument().m_nSampleCount, 2);
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
    doc.m_nSampleCount = 0;
    doc.SetModifiedFlag(true);
    doc.m_strHeaderText = "kept";
    int answer = IDCANCEL;
    SetSaveChangesQuestion([&answer](const std::string&) { return answer; });
    app.OnFileNew();
    EXPECT_EQ(doc.m_strHeaderText, "kept");  // cancelled
    answer = IDNO;
    app.OnFileNew();
    EXPECT_EQ(doc.m_strHeaderText, "");
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
    EXPECT_EQ(app.GetDocument().m_nSampleCount, 3);
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
    EXPECT_EQ(app.GetDocument().m_nSampleCount, 2);
    EXPECT_EQ(app.GetDocument().GetPathName(), latin1);

    const std::string dropped = temp.Path("\xff\xfe.txt");
    Put(dropped, "FileType QDL-RV\nCurve a\n\n1\n2\n3\n");
    QMimeData data;
    data.setUrls(
        {QUrl::fromEncoded("file://" + QByteArray::fromStdString(dropped).toPercentEncoding("/"))});
    app.GetMainWnd()->OpenDropped(data);
    app.Opener().Wait();
    EXPECT_EQ(app.GetDocument().m_nSampleCount, 3);
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
