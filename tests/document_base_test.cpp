// The framework's document base, message sink and files.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "framework/core/Document.h"
#include "framework/core/File.h"
#include "framework/core/MessageSink.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestFiles.h"

namespace {

struct RecordingView : CView {
    std::vector<long> hints;
    int target = -1;
    void OnUpdate(CView*, long hint, void* object) override {
        hints.push_back(hint);
        if (object) target = *static_cast<int*>(object);
    }
};

}  // namespace

TEST(DocumentBase, UpdateAllViewsReachesEveryViewButTheSenderBeforeReturning) {
    CDocument doc;
    RecordingView a, b;
    doc.AddView(&a);
    doc.AddView(&b);
    doc.AddView(&a);
    int index = 120;
    doc.UpdateAllViews(&a, 1000, &index);
    doc.UpdateAllViews(nullptr, 0);
    EXPECT_EQ(a.hints, std::vector<long>{0});
    EXPECT_EQ(b.hints, (std::vector<long>{1000, 0}));
    EXPECT_EQ(b.target, 120);
    doc.RemoveView(&b);
    doc.UpdateAllViews(nullptr, 1);
    EXPECT_EQ(b.hints.size(), 2u);
}

TEST(File, ReadsSeeksAndReportsFailuresByCause) {
    const CTempDir temp("tesqv-file");
    const auto& dir = temp.Path();
    const std::string path = (dir / "a.bin").string();
    {
        CFile out(path, CFile::modeCreate | CFile::modeWrite);
        out.Write("hello", 5);
        out.Close();
    }
    CFile in;
    ASSERT_TRUE(in.Open(path, CFile::modeRead));
    char buf[8] = {};
    EXPECT_EQ(in.Read(buf, 8), 5u);
    EXPECT_EQ(in.Read(buf, 8), 0u);
    in.SeekToBegin();
    EXPECT_EQ(in.Read(buf, 2), 2u);
    EXPECT_EQ(in.GetLength(), 5u);

    CFileException error(CFileException::none, 0, "");
    EXPECT_FALSE(in.Open((dir / "missing.txt").string(), CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
    EXPECT_FALSE(in.Open(dir.string(), CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::isFolder);
    CMessageRecorder messages;
    error.ReportError();
    EXPECT_EQ(messages.m_messages,
              std::vector<std::string>{dir.string() + " is a folder, not a file."});
    EXPECT_THROW(CFile((dir / "no" / "such").string(), CFile::modeCreate | CFile::modeWrite),
                 CFileException);
}
