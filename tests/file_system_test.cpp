// Saving and opening as the file system and its users expect: permissions, owners, links,
// folders the user may not write, things that are not files, memory that runs out, signals.
// Checks that need an ordinary user run in a child that drops to nobody.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "framework/core/File.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TraceFixtures.h"

namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;

// Runs `body` in a child process as nobody; its result is the child's verdict.
template <typename Body>
bool AsNobody(Body body) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (setresgid(kNobody, kNobody, kNobody) != 0 || setresuid(kNobody, kNobody, kNobody) != 0)
            _exit(3);
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct stat StatOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st;
}

// A folder nobody may write into, holding files as the test makes them.
class FileSystem : public ::testing::Test {
protected:
    void SetUp() override {
        if (geteuid() != 0) GTEST_SKIP() << "these checks change owners: run as root (CI does)";
        chmod(temp.Path().c_str(), 0755);
    }
    std::string Path(const std::string& name) const { return temp.Path(name); }
    void Own(const std::string& path, uid_t uid, mode_t mode) const {
        ASSERT_EQ(chown(path.c_str(), uid, uid), 0);
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
    }

    CTempDir temp{"tesqv-fs"};
};

}  // namespace

TEST_F(FileSystem, AReadOnlyTargetIsRefusedAndLeftAlone) {
    const std::string target = Path("locked.osc");
    Put(target, "precious");
    Own(target, kNobody, 0444);
    Own(temp.Path(), kNobody, 0755);  // the folder is nobody's: only the file is read-only
    EXPECT_TRUE(AsNobody([&] {
        auto doc = DocWithSamples({{7}});
        CMessageRecorder messages;
        return !doc->OnSaveDocument(target) &&
               messages.m_messages == std::vector<std::string>{target + " cannot be accessed."};
    }));
    EXPECT_EQ(Slurp(target), "precious");
    EXPECT_EQ(StatOf(target).st_mode & 0777, 0444u);
}

TEST_F(FileSystem, AWritableFileInAFolderNobodyMayWriteIsWrittenInPlace) {
    const std::string target = Path("mine.osc");
    Put(target, "a longer old content");
    Own(target, kNobody, 0640);
    const ino_t inode = StatOf(target).st_ino;
    EXPECT_TRUE(AsNobody([&] { return DocWithSamples({{7, 8}})->OnSaveDocument(target); }));
    EXPECT_EQ(Slurp(target), std::string("\x07\x08", 2));
    EXPECT_EQ(StatOf(target).st_ino, inode);
    EXPECT_EQ(StatOf(target).st_mode & 0777, 0640u);
}

// /tmp and its like: anyone may write the file, but only its owner may rename over it.
TEST_F(FileSystem, AWritableFileOfAnotherUserInAStickyFolderIsWrittenInPlace) {
    const std::string shared = Path("shared");
    fs::create_directory(shared);
    ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
    const std::string target = shared + "/theirs.osc";
    Put(target, "old content");
    Own(target, 0, 0666);
    EXPECT_TRUE(AsNobody([&] { return DocWithSamples({{7, 8}})->OnSaveDocument(target); }));
    EXPECT_EQ(Slurp(target), std::string("\x07\x08", 2));
    EXPECT_EQ(StatOf(target).st_uid, 0u);
}

TEST_F(FileSystem, OwnerGroupAndHardLinksSurviveASave) {
    const std::string target = Path("theirs.osc"), link = Path("link.osc");
    Put(target, "old");
    Own(target, kNobody, 0604);
    ASSERT_TRUE(DocWithSamples({{1}})->OnSaveDocument(target));
    EXPECT_EQ(StatOf(target).st_uid, kNobody);
    EXPECT_EQ(StatOf(target).st_gid, kNobody);
    EXPECT_EQ(StatOf(target).st_mode & 0777, 0604u);

    fs::create_hard_link(target, link);
    ASSERT_TRUE(DocWithSamples({{2, 3}})->OnSaveDocument(target));
    EXPECT_EQ(Slurp(link), std::string("\x02\x03", 2));
    EXPECT_EQ(StatOf(link).st_nlink, 2u);
}

TEST_F(FileSystem, ALinkLoopIsAnInvalidPathAndStaysALink) {
    const std::string a = Path("a.osc"), b = Path("b.osc");
    fs::create_symlink(b, a);
    fs::create_symlink(a, b);
    CMessageRecorder messages;
    EXPECT_FALSE(DocWithSamples({{1}})->OnSaveDocument(a));
    EXPECT_EQ(messages.m_messages, std::vector<std::string>{a + " contains an invalid path."});
    EXPECT_TRUE(fs::is_symlink(a));
    EXPECT_TRUE(fs::is_symlink(b));
}

TEST_F(FileSystem, OnlyRegularFilesAreOpened) {
    const std::string fifo = Path("pipe.osc"), zero = Path("zero.txt"), folder = Path("dir.txt");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);  // opening it must not wait for a writer
    fs::create_symlink("/dev/zero", zero);
    fs::create_directory(folder);
    for (const auto& [path, message] : {std::pair{fifo, fifo + " is not a regular file."},
                                        std::pair{zero, zero + " is not a regular file."},
                                        std::pair{folder, folder + " is a folder, not a file."}}) {
        CtesqDoc doc;
        CMessageRecorder messages;
        EXPECT_FALSE(doc.OnOpenDocument(path)) << path;
        EXPECT_EQ(messages.m_messages, std::vector<std::string>{message});
    }
}

TEST_F(FileSystem, ARunOutOfMemoryIsAFailedOpenThatKeepsTheTrace) {
    // A text trace: a capture's samples stay in its file.
    const std::string text = Path("big.txt");
    {
        std::ofstream rows(text, std::ios::binary);
        rows << "FileType QDL-RV\nCurve a\n\n";
        for (int i = 0; i < 4'000'000; ++i) rows << "1\n";  // 16 MB of samples
    }
    const pid_t pid = fork();
    if (pid == 0) {
        auto doc = DocWithSamples({{1.5f, 2.5f}});
        // Room for what the process holds now and a little more, never for the samples.
        std::ifstream status("/proc/self/status");
        long long kb = 0;
        for (std::string key; status >> key;)
            if (key == "VmSize:") status >> kb;
        const rlim_t limit = static_cast<rlim_t>(kb + 12 * 1024) * 1024;
        const rlimit as{limit, limit};
        setrlimit(RLIMIT_AS, &as);
        CMessageRecorder messages;
        const bool ok = !doc->OnOpenDocument(text) &&
                        messages.m_messages ==
                            std::vector<std::string>{"Not enough memory to open " + text + "."} &&
                        Samples(*doc, 0) == std::vector<float>{1.5f, 2.5f};
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(FileSystem, WithoutASecondThreadTheReaderReadsOnOne) {
    const std::string text = Path("rows.txt");
    {
        std::ofstream rows(text, std::ios::binary);
        rows << "FileType QDL-RV\nCurve a\n\n";
        for (int i = 0; i < 1'500'000; ++i) rows << i % 10 << '\n';  // 3 MB: two parts
    }
    EXPECT_TRUE(AsNobody([&] {
        // nobody may run no more processes or threads than this one.
        const rlimit one{1, 1};
        setrlimit(RLIMIT_NPROC, &one);
        CMessageRecorder messages;
        CtesqDoc doc;
        CFile file(text, CFile::modeRead);
        return doc.ReadTextTrace(file) && messages.m_messages.empty() &&
               doc.Trace().m_nSampleCount == 1'500'000 &&
               doc.Trace().m_pSamples[0][1'499'999] == 9.0f;
    }));
}
