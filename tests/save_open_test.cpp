// Opening and saving by extension, the text export's bytes, and saves that fail.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include "framework/core/MessageSink.h"
#include "framework/core/Prompts.h"
#include "framework/core/RecentFiles.h"
#include "framework/core/SafeFile.h"
#include "tests/support/MemFile.h"
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

TEST_F(SaveOpen, OpenAndSaveMatchTheFileNamesExtensionInAnyCase) {
    const std::string text = "FileType QDL-RV\nCurve a\n\n1\n";
    const int bytes = static_cast<int>(text.size());  // a capture of one sample per byte
    for (const auto& [name, samples] :
         {std::pair<const char*, int>{"a.TXT", 1}, {"a.Txt", 1}, {"a.Osc", bytes}, {"a.TSV", 1}}) {
        Put(Path(name), text);
        CtesqDoc doc;
        doc.OnNewDocument();
        EXPECT_TRUE(doc.OnOpenDocument(Path(name))) << name;
        EXPECT_EQ(doc.Trace().m_nSampleCount, samples) << name;
    }
    fs::create_directory(Path("d.txt"));
    for (const char* name : {"noext", "a.txt.bak", "a.", "d.txt/noext"}) {
        Put(Path(name), text);
        CtesqDoc doc;
        doc.OnNewDocument();
        CMessageRecorder messages;
        EXPECT_FALSE(doc.OnOpenDocument(Path(name))) << name;
        EXPECT_EQ(messages.m_messages, std::vector<std::string>{"unknow file type."}) << name;
    }
    auto doc = DocWithSamples({{1, 2}});
    EXPECT_TRUE(doc->OnSaveDocument(Path("b.TXT")));
    EXPECT_EQ(Slurp(Path("b.TXT")).substr(0, 17), "FileType QDL-RV\r\n");
    EXPECT_TRUE(doc->OnSaveDocument(Path("b.Osc")));
    EXPECT_EQ(Slurp(Path("b.Osc")), std::string("\x01\x02", 2));
    CMessageRecorder messages;
    EXPECT_FALSE(doc->OnSaveDocument(Path("b.dat")));
    EXPECT_EQ(messages.m_messages, std::vector<std::string>{"unknow file type"});
    EXPECT_FALSE(fs::exists(Path("b.dat")));
}

TEST_F(SaveOpen, TextColumnsBytesAreTheSameUnderAnyLocale) {
    auto doc = DocWithSamples({{1.5f, 0.0001f, 1e6f}, {}, {-0.25f, 0.00001f, 123456789.0f}},
                              [](CTraceData& t) { t.m_pSamples[1].reset(); });  // skipped
    const std::string expected = "1.5 -0.25 \r\n0.0001 1e-05 \r\n1e+06 1.23457e+08 \r\n";
    CMemFile c;
    text_format::WriteColumns(c, doc->Trace());
    EXPECT_EQ(std::string(c.Bytes().begin(), c.Bytes().end()), expected);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
    CMemFile d;
    text_format::WriteColumns(d, doc->Trace());
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(std::string(d.Bytes().begin(), d.Bytes().end()), expected);
}

TEST_F(SaveOpen, ColumnsOpenedAsATextTraceAreEmptyAndSaySo) {
    auto doc = DocWithSamples({{1.5f, 2}});
    CSafeFile file(Path("cols.txt"));
    text_format::WriteColumns(file, doc->Trace());
    file.Commit();
    CtesqDoc again;
    CMessageRecorder messages;
    EXPECT_TRUE(again.OnOpenDocument(Path("cols.txt")));
    EXPECT_EQ(again.Trace().m_nSampleCount, 0);
    EXPECT_EQ(
        messages.m_messages,
        std::vector<std::string>{"cols.txt holds no \"FileType QDL-RV\" line; nothing was read."});
}

TEST_F(SaveOpen, ASavedTextTraceReopensAsTheSameDocument) {
    const std::string original =
        "Recorder\nFileType QDL-RV\n\nDateTime 2025-03-31 12:34:56\nStation North Hall\n"
        "Curve U1 V -0.5 2.75\nCurve I1 A 0 0\nCurve  mV 1 2\nStep 20 us\nOperator Ann\n\n"
        "380.1234 1.5 0.1\n-0 1e-07 16777215\n3.4e38 -2.5 7\n";
    Put(Path("in.txt"), original);
    CtesqDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(Path("in.txt")));
    doc.Select(2, 3);
    ASSERT_TRUE(doc.ExecuteCommand("kxb 0 10 0"));  // 3.4e38 x 10: an infinity
    ASSERT_TRUE(doc.OnSaveDocument(Path("out.txt")));
    const std::string saved = Slurp(Path("out.txt"));
    EXPECT_NE(saved.find("\r\n380.1234 1.5 0.1 \r\n"), std::string::npos) << saved;
    CtesqDoc again;
    ASSERT_TRUE(again.OnOpenDocument(Path("out.txt")));
    EXPECT_EQ(again.Trace().m_strHeaderText, doc.Trace().m_strHeaderText);
    EXPECT_EQ(again.Trace().m_dblStep, 20);
    EXPECT_EQ(again.Trace().m_strStepUnit, "us");
    ASSERT_EQ(again.Trace().m_nCurveCount, 3);
    ASSERT_EQ(again.Trace().m_nSampleCount, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(again.Trace().m_strCurveName[i], doc.Trace().m_strCurveName[i]) << i;
        EXPECT_EQ(again.Trace().m_strCurveUnit[i], doc.Trace().m_strCurveUnit[i]) << i;
        EXPECT_EQ(again.Trace().m_fCurveBottom[i], doc.Trace().m_fCurveBottom[i]) << i;
        EXPECT_EQ(again.Trace().m_fCurveTop[i], doc.Trace().m_fCurveTop[i]) << i;
        const std::vector<float> a = Samples(again, i), b = Samples(doc, i);
        ASSERT_EQ(a.size(), b.size());
        EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(float)), 0) << i;
    }
}

TEST_F(SaveOpen, SuccessClearsModifiedAndIsRemembered) {
    auto doc = DocWithSamples({{1}});
    doc->SetModifiedFlag(true);
    EXPECT_TRUE(doc->OnSaveDocument(Path("e.osc")));
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(recent, std::vector<std::string>{Path("e.osc")});
    CtesqDoc opened;
    EXPECT_TRUE(opened.OnOpenDocument(Path("e.osc")));
    EXPECT_EQ(opened.DisplayLength(), 4);  // display copies built on open
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
              std::vector<std::string>{"The folder of " + Path("gone/x.osc") + " does not exist."});
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
    SetSaveAsPrompt([this](const std::string& filter, const std::string& ext, const std::string&) {
        EXPECT_EQ(filter,
                  "OSC Files (*.osc)|*.osc|TEXT Files (*.txt)|*.txt|CSV Files (*.csv)|*.csv||");
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
    doc->Select(0, 1);
    ASSERT_TRUE(doc->ExecuteCommand("kxb 0 0 9"));
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

    SetSaveAsPrompt([](const std::string&, const std::string&, const std::string&) {
        return std::optional<std::string>();
    });
    doc->OnFileSaveAs();  // cancelled: the document keeps its path
    EXPECT_EQ(doc->GetPathName(), Path("typed.osc"));
    SetSaveAsPrompt({});
    SetSaveChangesQuestion({});
}

TEST_F(SaveOpen, ACaptureSaveSaysWhatItLosesAndNoWritesNothing) {
    auto doc = DocWithSamples({{1, -5, 255.9f, 256}, {1, 2, 3, 4}});
    std::vector<std::string> asked;
    bool answer = false;
    const YesNoQuestion previousQuestion = SetYesNoQuestion([&](const std::string& text) {
        asked.push_back(text);
        return answer;
    });
    EXPECT_FALSE(doc->OnSaveDocument(Path("x.osc")));
    EXPECT_FALSE(fs::exists(Path("x.osc")));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0],
              "In the capture format only curve 0 is kept, as whole numbers from 0 to 255; 1 "
              "other curve and 2 samples out of range will not be kept. 1 sample with a "
              "fraction will be cut to its whole part. Save anyway?");
    answer = true;
    EXPECT_TRUE(doc->OnSaveDocument(Path("x.osc")));
    EXPECT_EQ(Slurp(Path("x.osc")), std::string("\x01\xFB\xFF\x00", 4));
    // Fractions alone are asked about too: the saved samples would not be the shown ones.
    auto halves = DocWithSamples({{0, 255.9f, -0.5f}});
    EXPECT_TRUE(halves->OnSaveDocument(Path("y.osc")));
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[2],
              "In the capture format samples are whole numbers from 0 to 255: 2 samples with a "
              "fraction will be cut to their whole part. Save anyway?");
    EXPECT_EQ(Slurp(Path("y.osc")), std::string("\x00\xFF\x00", 3));
    auto fits = DocWithSamples({{0, 255, 7}});
    EXPECT_TRUE(fits->OnSaveDocument(Path("z.osc")));
    EXPECT_EQ(asked.size(), 3u);  // nothing lost: not asked
    SetYesNoQuestion(previousQuestion);
}

TEST_F(SaveOpen, SaveAsLooksForTheExtensionInTheFileNameOnly) {
    fs::create_directory(Path("a.b"));
    auto doc = DocWithSamples({{1}});
    const SaveAsPrompt previousPrompt =
        SetSaveAsPrompt([this](const std::string&, const std::string&, const std::string&) {
            return std::optional<std::string>(Path("a.b/bare"));
        });
    EXPECT_TRUE(doc->DoSaveAs());
    SetSaveAsPrompt(previousPrompt);
    EXPECT_EQ(doc->GetPathName(), Path("a.b/bare.osc"));
    EXPECT_TRUE(fs::exists(Path("a.b/bare.osc")));
}

TEST_F(SaveOpen, SavingOverAFileAnotherProgramChangedAsksFirst) {
    const std::string path = Path("t.txt");
    Put(path, "FileType QDL-RV\nCurve a\n\n1\n2\n");
    CtesqDoc doc;
    doc.OnNewDocument();
    ASSERT_TRUE(doc.OnOpenDocument(path));
    doc.SetPathName(path);
    doc.Select(0, 1);
    ASSERT_TRUE(doc.ExecuteCommand("kxb 0 2 0"));
    std::ofstream(path, std::ios::app) << "3\n4\n";  // another program writes on
    std::vector<std::string> asked;
    bool answer = false;
    const YesNoQuestion before = SetYesNoQuestion([&](const std::string& text) {
        asked.push_back(text);
        return answer;
    });
    EXPECT_FALSE(doc.OnSaveDocument(path));  // No keeps both
    EXPECT_EQ(asked, std::vector<std::string>{"t.txt changed on disk since it was opened. "
                                              "Overwrite it?"});
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(Slurp(path), "FileType QDL-RV\nCurve a\n\n1\n2\n3\n4\n");
    answer = true;
    EXPECT_TRUE(doc.OnSaveDocument(path));
    // What this save wrote is the file as it is now: the next saves ask nothing.
    asked.clear();
    for (int round = 0; round < 2; ++round) {
        doc.SetModifiedFlag(true);
        EXPECT_TRUE(doc.OnSaveDocument(path));
    }
    EXPECT_TRUE(asked.empty());
    SetYesNoQuestion(before);
}

TEST_F(SaveOpen, TracesACsvOrTextSaveCouldNotCarryReopenTheSame) {
    // A negative step, no samples, one sample: the time column cannot carry the step.
    for (const auto& curves :
         {std::vector<std::vector<float>>{{1, 2, 3}, {4, 5, 6}},
          std::vector<std::vector<float>>{{}, {}}, std::vector<std::vector<float>>{{7}, {8}}}) {
        auto doc = DocWithSamples(curves, [&curves](CTraceData& t) {
            t.m_strCurveName[0] = "a";
            t.m_strCurveName[1] = "b";
            t.m_dblStep = curves[0].size() == 3 ? -5 : 2.5;
            t.m_strStepUnit = "ms";
        });
        ASSERT_TRUE(doc->OnSaveDocument(Path("t.csv")));
        CtesqDoc again;
        CMessageRecorder messages;
        ASSERT_TRUE(again.OnOpenDocument(Path("t.csv")));
        EXPECT_EQ(again.Trace().m_nCurveCount, 2) << curves[0].size();
        EXPECT_EQ(again.Trace().m_strCurveName[1], "b");
        EXPECT_EQ(again.Trace().m_dblStep, doc->Trace().m_dblStep);
        EXPECT_EQ(again.Trace().m_strStepUnit, "ms");
        EXPECT_EQ(again.Trace().m_nSampleCount, doc->Trace().m_nSampleCount);
        EXPECT_EQ(Samples(again, 1), Samples(*doc, 1));
    }
    // Names and units with the text format's separators are said first, then read back as
    // written; a trace without curves stays as it is, save after save.
    auto named = DocWithSamples({{1, 2}}, [](CTraceData& t) {
        t.m_strCurveName[0] = "Phase A";
        t.m_strCurveUnit[0] = "m:s";
    });
    std::string asked;
    const YesNoQuestion before = SetYesNoQuestion([&asked](const std::string& text) {
        asked = text;
        return true;
    });
    ASSERT_TRUE(named->OnSaveDocument(Path("n.txt")));
    SetYesNoQuestion(before);
    EXPECT_EQ(asked,
              "A text trace separates names and units at spaces and , ; : so they are "
              "written with _ in their place: \"Phase A\" as \"Phase_A\", \"m:s\" as "
              "\"m_s\". Save anyway?");
    CtesqDoc back;
    ASSERT_TRUE(back.OnOpenDocument(Path("n.txt")));
    EXPECT_EQ(back.Trace().m_strCurveName[0], "Phase_A");
    EXPECT_EQ(back.Trace().m_strCurveUnit[0], "m_s");
    Put(Path("none.txt"), "FileType QDL-RV\nStation North\nStep 5 s\n");
    CtesqDoc none;
    ASSERT_TRUE(none.OnOpenDocument(Path("none.txt")));
    const std::string header = none.Trace().m_strHeaderText;
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(none.OnSaveDocument(Path("none.txt")));
        ASSERT_TRUE(none.OnOpenDocument(Path("none.txt")));
        EXPECT_EQ(none.Trace().m_strHeaderText, header) << round;
    }
    // Missing and infinite samples come back as they were written.
    const float kInf = std::numeric_limits<float>::infinity();
    auto gaps = DocWithSamples({{1, std::nanf(""), kInf, -kInf}});
    ASSERT_TRUE(gaps->OnSaveDocument(Path("gaps.txt")));
    CtesqDoc gapsBack;
    ASSERT_TRUE(gapsBack.OnOpenDocument(Path("gaps.txt")));
    const std::vector<float> read = Samples(gapsBack, 0);
    ASSERT_EQ(read.size(), 4u);
    EXPECT_TRUE(std::isnan(read[1]));
    EXPECT_EQ(read[2], kInf);
    EXPECT_EQ(read[3], -kInf);
}

// Save As offers the trace's own format first: a bare name keeps a text trace a text trace.
TEST_F(SaveOpen, SaveAsOffersTheTracesOwnFormatFirst) {
    ASSERT_TRUE(DocWithSamples({{1, 2}})->OnSaveDocument(Path("t.txt")));
    CtesqDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(Path("t.txt")));
    doc.SetPathName(Path("t.txt"));
    std::string offered;
    SetSaveAsPrompt([&](const std::string& filter, const std::string& ext, const std::string&) {
        offered = filter.substr(0, filter.find('|')) + " " + ext;
        return std::optional<std::string>(Path("bare"));
    });
    ASSERT_TRUE(doc.DoSaveAs());
    SetSaveAsPrompt({});
    EXPECT_EQ(offered, "TEXT Files (*.txt) txt");
    EXPECT_EQ(doc.GetPathName(), Path("bare.txt"));
}
