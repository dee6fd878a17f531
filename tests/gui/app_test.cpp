// The application: start-up, opening, the recent-file list across runs.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QMimeData>
#include <QUrl>
#include <filesystem>
#include <fstream>

#include "app/MainFrame.h"
#include "generated/Version.h"
#include "app/tesqApp.h"
#include "framework/core/MessageSink.h"
#include "framework/core/Prompts.h"
#include "framework/gui/QtText.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TraceFixtures.h"

namespace fs = std::filesystem;

TEST(App, StartsWithANewDocumentOrTheNamedFile) {
    CtesqApp fresh;
    ASSERT_TRUE(fresh.InitInstance({QStringLiteral("tesqv")}));
    EXPECT_EQ(fresh.GetMainWnd()->windowTitle(), QStringLiteral("osc - noname"));

    const std::string trace = WriteTemp("demo.txt", "FileType QDL-RV\nCurve a\n\n1\n2\n");
    CtesqApp opened;
    ASSERT_TRUE(opened.InitInstance({QStringLiteral("tesqv"), ToQString(trace)}));
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
    EXPECT_FALSE(refused.InitInstance({QStringLiteral("tesqv"), ToQString(other)}));
    fs::remove(trace);
    fs::remove(other);
}

TEST(App, RecentFilesKeepTenAndSurviveARestart) {
    {
        CtesqApp app;
        ASSERT_TRUE(app.InitInstance({QStringLiteral("tesqv")}));
        for (int i = 1; i <= 12; ++i)
            app.AddToRecentFileList("/traces/t" + std::to_string(i) + ".txt");
        EXPECT_EQ(app.RecentFiles().size(), 10u);
    }
    CtesqApp again;
    ASSERT_TRUE(again.InitInstance({QStringLiteral("tesqv")}));
    ASSERT_EQ(again.RecentFiles().size(), 10u);
    EXPECT_EQ(again.RecentFiles().front(), "/traces/t12.txt");
    EXPECT_EQ(again.RecentFiles().back(), "/traces/t3.txt");
}

TEST(App, NewOffersToSaveAModifiedDocumentFirst) {
    CtesqApp app;
    ASSERT_TRUE(app.InitInstance({QStringLiteral("tesqv")}));
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
    ASSERT_TRUE(app.InitInstance({QStringLiteral("tesqv")}));
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
    SetSaveChangesQuestion({});
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(app.GetDocument().m_nSampleCount, 3);
    EXPECT_EQ(app.GetMainWnd()->windowTitle().toStdString(),
              "osc - " + fs::path(trace).filename().string());
    fs::remove(trace);
}

TEST(App, AboutTextHasAVersionLineAndABuildLine) {
    EXPECT_EQ(AboutText(), std::string("Version: ") + TESQV_VERSION + "\nBuild: 2025-03-31");
}
