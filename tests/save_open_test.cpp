// Opening and saving by extension, the text export's bytes, and saves that fail.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "framework/core/MessageSink.h"
#include "framework/core/Prompts.h"
#include "framework/core/RecentFiles.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TraceFixtures.h"

namespace fs = std::filesystem;

namespace {

class SaveOpen : public ::testing::Test {
protected:
    void SetUp() override {
        previous = SetRecentFileHook([this](const std::string& p) { recent.push_back(p); });
    }
    void TearDown() override { SetRecentFileHook(previous); }
    std::string Path(const std::string& name) const { return temp.Path(name); }

    CTempDir temp{"tesqv-save"};
    const fs::path& dir = temp.Path();
    std::vector<std::string> recent;
    RecentFileHook previous;
};

}  // namespace

TEST_F(SaveOpen, OpenMatchesTheExtensionExactlySaveIgnoresCase) {
    for (const char* name : {"a.TXT", "a.Osc", "noext", "a.txt.bak"}) {
        Put(Path(name), "FileType QDL-RV\nCurve a\n\n1\n");
        CtesqDoc doc;
        doc.OnNewDocument();
        CMessageRecorder messages;
        EXPECT_FALSE(doc.OnOpenDocument(Path(name))) << name;
        EXPECT_EQ(messages.m_messages, std::vector<std::string>{"unknow file type."}) << name;
    }
    auto doc = DocWithSamples({{1.5f, 2}});
    EXPECT_TRUE(doc->OnSaveDocument(Path("b.TXT")));
    EXPECT_EQ(Slurp(Path("b.TXT")), "1.5 \r\n2 \r\n");
    EXPECT_TRUE(doc->OnSaveDocument(Path("b.Osc")));
    EXPECT_EQ(Slurp(Path("b.Osc")), std::string("\x01\x02", 2));
    CMessageRecorder messages;
    EXPECT_FALSE(doc->OnSaveDocument(Path("b.csv")));
    EXPECT_EQ(messages.m_messages, std::vector<std::string>{"unknow file type"});
    EXPECT_FALSE(fs::exists(Path("b.csv")));
}

TEST_F(SaveOpen, TextExportBytesAreTheSameUnderAnyLocale) {
    auto doc = DocWithSamples({{1.5f, 0.0001f, 1e6f}, {}, {-0.25f, 0.00001f, 123456789.0f}});
    doc->m_pSamples[1].reset();  // a curve without samples is skipped
    const std::string expected = "1.5 -0.25 \r\n0.0001 1e-05 \r\n1e+06 1.23457e+08 \r\n";
    EXPECT_TRUE(doc->OnSaveDocument(Path("c.txt")));
    EXPECT_EQ(Slurp(Path("c.txt")), expected);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
    EXPECT_TRUE(doc->OnSaveDocument(Path("d.txt")));
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(Slurp(Path("d.txt")), expected);
    // The export has no file-type line: opened again it is an empty trace.
    CtesqDoc again;
    EXPECT_TRUE(again.OnOpenDocument(Path("c.txt")));
    EXPECT_EQ(again.m_nSampleCount, 0);
}

TEST_F(SaveOpen, SuccessClearsModifiedAndIsRemembered) {
    auto doc = DocWithSamples({{1}});
    doc->SetModifiedFlag(true);
    EXPECT_TRUE(doc->OnSaveDocument(Path("e.osc")));
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(recent, std::vector<std::string>{Path("e.osc")});
    CtesqDoc opened;
    EXPECT_TRUE(opened.OnOpenDocument(Path("e.osc")));
    EXPECT_EQ(opened.m_nDisplayLength, 4);  // display copies built on open
    EXPECT_EQ(recent.size(), 2u);
}

TEST_F(SaveOpen, AFailedWriteLeavesTheOldFileWhole) {
    const std::string target = Path("old.osc");
    Put(target, "precious");
    chmod(target.c_str(), 0640);
    // A child whose files may not grow past 100 bytes: every write beyond fails as a full
    // disk would.
    const pid_t pid = fork();
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100, 100};
        setrlimit(RLIMIT_FSIZE, &limit);
        auto doc = DocWithSamples({std::vector<float>(100000, 1.0f)});
        doc->SetModifiedFlag(true);
        CMessageRecorder messages;
        const bool saved = doc->OnSaveDocument(target);
        _exit(!saved && messages.m_messages.size() == 1 && doc->IsModified() ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(Slurp(target), "precious");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}),
              1);  // no temporary left

    auto doc = DocWithSamples({{7}});
    CMessageRecorder messages;
    EXPECT_FALSE(doc->OnSaveDocument(Path("gone/x.osc")));
    EXPECT_EQ(messages.m_messages,
              std::vector<std::string>{Path("gone/x.osc") + " was not found."});
}

TEST_F(SaveOpen, ReplacingKeepsPermissionsAndFollowsLinks) {
    const std::string target = Path("real.osc");
    Put(target, "old");
    chmod(target.c_str(), 0604);
    fs::create_symlink("real.osc", Path("link.osc"));
    auto doc = DocWithSamples({{65}});
    EXPECT_TRUE(doc->OnSaveDocument(Path("link.osc")));
    EXPECT_TRUE(fs::is_symlink(Path("link.osc")));
    EXPECT_EQ(Slurp(target), "A");
    struct stat st {};
    stat(target.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0604u);
}

TEST_F(SaveOpen, SaveAsAddsOscAndSaveAsksBeforeWriting) {
    auto doc = DocWithSamples({{1, 2}});
    doc->SetModifiedFlag(true);
    SetSaveAsPrompt([this](const std::string& filter, const std::string& ext) {
        EXPECT_EQ(filter, "OSC Files (*.osc)|*.osc|TEXT Files (*.txt)|*.txt||");
        EXPECT_EQ(ext, "osc");
        return std::optional<std::string>(Path("typed"));
    });
    int answer = IDNO, asked = 0;
    SetSaveChangesQuestion([&](const std::string&) {
        ++asked;
        return answer;
    });
    doc->OnFileSaveAs();
    EXPECT_EQ(doc->GetPathName(), Path("typed.osc"));
    EXPECT_EQ(Slurp(Path("typed.osc")), std::string("\x01\x02", 2));
    EXPECT_FALSE(doc->IsModified());

    doc->OnFileSave();  // not modified: nothing happens
    EXPECT_EQ(asked, 0);
    doc->m_pSamples[0][0] = 9;
    doc->SetModifiedFlag(true);
    for (const int reply : {IDNO, IDCANCEL}) {
        answer = reply;
        doc->OnFileSave();
        EXPECT_TRUE(doc->IsModified());
        EXPECT_EQ(Slurp(Path("typed.osc"))[0], '\x01');
    }
    answer = IDYES;
    doc->OnFileSave();
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(Slurp(Path("typed.osc"))[0], '\x09');
    EXPECT_EQ(asked, 3);

    SetSaveAsPrompt(
        [](const std::string&, const std::string&) { return std::optional<std::string>(); });
    doc->OnFileSaveAs();  // cancelled: the document keeps its path
    EXPECT_EQ(doc->GetPathName(), Path("typed.osc"));
    SetSaveAsPrompt({});
    SetSaveChangesQuestion({});
}
