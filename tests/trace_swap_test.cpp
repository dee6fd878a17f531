// A refused or failed open leaves the open trace, its title and its unsaved state as they were.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "tests/support/MessageRecorder.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TraceFixtures.h"
#include "trace/formats/ReadFailures.h"

namespace {

bool SameBits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

}  // namespace

TEST(TraceSwap, RefusedAndUnreadableOpensKeepTheOpenTrace) {
    CTempDir dir;
    const std::string good = dir.Path("good.txt");
    Put(good, "FileType QDL-RV\nStation A\nCurve U V 0 0\nStep 5 us\n\n1.25\n-0\n3e-7\n");
    CtesqDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(good));
    doc.SetPathName(good);
    doc.SetDecimation(2);
    doc.Select(1, 2);
    doc.SetCurveHidden(0, true);
    doc.SetModifiedFlag(true);
    const std::vector<float> before = Samples(doc, 0);

    const std::string huge = dir.Path("huge.osc");
    Put(huge, "");
    std::filesystem::resize_file(huge, (std::uint64_t{1} << 31) + 10);  // sparse: costs no disk
    const std::string unreadable = dir.Path("folder.txt");  // opens, but every read fails
    std::filesystem::create_directory(unreadable);

    for (const std::string& path : {huge, unreadable}) {
        CMessageRecorder messages;
        EXPECT_FALSE(doc.OnOpenDocument(path)) << path;
        ASSERT_EQ(messages.m_messages.size(), 1u) << path;
        if (path == huge) {
            EXPECT_EQ(messages.m_messages[0], MSG_TOO_MANY_SAMPLES);
        }
        EXPECT_TRUE(SameBits(Samples(doc, 0), before)) << path;
        EXPECT_EQ(doc.GetTitle(), "good.txt");
        EXPECT_TRUE(doc.IsModified());
        EXPECT_EQ(doc.Trace().m_dblStep, 5);
        EXPECT_EQ(doc.Trace().m_strHeaderText, "Station:A        ");
        EXPECT_EQ(doc.Decimation(), 2);
        EXPECT_EQ(doc.DisplayLength(), 8);
        EXPECT_EQ(doc.SelEnd(), 2);
        EXPECT_EQ(doc.IsCurveHidden(0), 1);
    }
}

TEST(TraceSwap, ASuccessfulOpenStartsAFreshView) {
    CtesqDoc doc;
    doc.ResetTrace();
    doc.m_nOscFormat = 2;
    doc.SetCurveHidden(3, true);
    doc.Select(4, 9);
    CTempDir dir;
    const std::string path = dir.Path("a.txt");
    Put(path, "FileType QDL-RV\nCurve a\n\n1\n2\n");
    ASSERT_TRUE(doc.OnOpenDocument(path));
    EXPECT_EQ(doc.Trace().m_nSampleCount, 2);
    EXPECT_EQ(doc.SelEnd(), 0);
    EXPECT_EQ(doc.IsCurveHidden(3), 0);
    EXPECT_EQ(doc.m_nOscFormat, 2);  // only a capture read changes it
}
