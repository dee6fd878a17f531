// Saves that finish or leave the file alone: written in place over a full disk or a signal,
// past the file-size limit, under every signal that ends a process, with long names, and
// synced before they are put in place.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "framework/core/SafeFile.h"
#include "tests/support/CliRun.h"
#include "tests/support/TestFiles.h"

namespace fs = std::filesystem;

namespace {

// Runs `body` in a child; returns how the child ended (waitpid's status).
template <typename Body>
int InChild(Body body) {
    const pid_t pid = fork();
    if (pid == 0) {
        body();
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

}  // namespace

TEST(SafeSave, InPlaceASignalBeforeTheLastByteLeavesTheOldFile) {
    const CTempDir temp("tesqv-inplace");
    const std::string target = temp.Path("trace.osc");
    Put(target, std::string(200000, 'o'));
    fs::create_hard_link(target, temp.Path("other-name"));  // written in place, links kept
    const int status = InChild([&] {
        RemoveSaveTempFileOnSignals();
        CSafeFile file(target);
        file.Write(std::string(300000, 'n').data(), 300000);
        std::raise(SIGTERM);  // before Commit: nothing of the target touched yet
    });
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_EQ(Slurp(target), std::string(200000, 'o'));
    EXPECT_EQ(Slurp(temp.Path("other-name")), std::string(200000, 'o'));

    // Committed, it is the new file under both names.
    CSafeFile file(target);
    file.Write("new", 3);
    file.Commit();
    EXPECT_EQ(Slurp(temp.Path("other-name")), "new");
}

// A window has threads of its own that do not block signals; the kernel gives a signal sent
// to the process to any of them. One sent in the middle of the copy waits for its end, and
// then ends the process as it says.
TEST(SafeSave, InPlaceASignalToAnotherThreadDuringTheCopyWaitsForItsEnd) {
    const CTempDir temp("tesqv-inplace-threads");
    const std::string target = temp.Path("trace.txt");
    Put(target, std::string(1 << 20, 'o'));
    fs::create_hard_link(target, temp.Path("other-name"));
    const std::string bytes(3 << 20, 'n');
    for (const int sig : {SIGTERM, SIGHUP}) {
        Put(target, std::string(1 << 20, 'o'));
        static int s_signal;
        s_signal = sig;
        const int status = InChild([&] {
            RemoveSaveTempFileOnSignals();
            std::thread window([] { pause(); });  // blocks nothing: takes the signal
            window.detach();
            CSafeFile::s_copied = [](long long copied) {
                if (copied == 64 * 1024) kill(getpid(), s_signal);
            };
            CSafeFile file(target);
            file.Write(bytes.data(), bytes.size());
            file.Commit();
            _exit(0);  // not reached: the held signal ends the process once the copy is over
        });
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << sig;
        EXPECT_TRUE(Slurp(target) == bytes) << sig;  // whole, under both names
        EXPECT_TRUE(Slurp(temp.Path("other-name")) == bytes) << sig;
    }
}

// A temporary folder that is missing or no folder at all is no reason to fail a save: the
// bytes wait elsewhere.
TEST(SafeSave, InPlaceATemporaryFolderThatCannotHoldTheBytesIsPassedOver) {
    const CTempDir temp("tesqv-staging");
    const std::string target = temp.Path("t.txt");
    Put(target, "old");
    fs::create_hard_link(target, temp.Path("link"));
    Put(temp.Path("plain-file"), "x");
    const std::string before = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
    for (const std::string& tmpdir : {temp.Path("missing"), temp.Path("plain-file")}) {
        setenv("TMPDIR", tmpdir.c_str(), 1);
        CSafeFile file(target);
        file.Write(tmpdir.data(), tmpdir.size());
        file.Commit();
        EXPECT_EQ(Slurp(temp.Path("link")), tmpdir);
    }
    setenv("TMPDIR", before.c_str(), 1);
}

TEST(SafeSave, InPlaceOnAFullDiskTheReservationFailsAndTheFileStays) {
    if (geteuid() != 0) GTEST_SKIP() << "needs a small file system of its own: run as root";
    const CTempDir temp("tesqv-full");
    const std::string disk = temp.Path("disk");
    fs::create_directory(disk);
    if (mount("tesqv", disk.c_str(), "tmpfs", 0, "size=1m") != 0) GTEST_SKIP() << "no tmpfs here";
    const std::string target = disk + "/trace.osc";
    Put(target, std::string(400000, 'o'));
    fs::create_hard_link(target, disk + "/link");
    Put(disk + "/filler", std::string(400000, 'f'));
    bool refused = false;
    try {
        CSafeFile file(target);
        const std::string bytes(700000, 'n');  // more than the disk has left
        file.Write(bytes.data(), bytes.size());
        file.Commit();
    } catch (const CFileException&) {
        refused = true;
    }
    const std::string after = Slurp(target);
    umount(disk.c_str());
    EXPECT_TRUE(refused);
    EXPECT_EQ(after, std::string(400000, 'o'));
}

TEST(SafeSave, EverySignalThatEndsTheProcessRemovesTheTemporaryFile) {
    for (const int sig : {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGUSR1, SIGALRM}) {
        const CTempDir temp("tesqv-signal");
        const int status = InChild([&] {
            RemoveSaveTempFileOnSignals();
            CSafeFile file(temp.Path("out.osc"));
            file.Write("partial", 7);
            std::raise(sig);
        });
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << sig;
        EXPECT_TRUE(Names(temp.Path()).empty()) << sig;
    }
}

TEST(SafeSave, AHandlerThatWasThereStillRunsAfterTheTemporaryFileIsGone) {
    const CTempDir temp("tesqv-chain");
    static std::string folder;
    folder = temp.Path().string();
    const int status = InChild([&] {
        std::signal(SIGUSR2, [](int) {
            // The program's own handler sees the save's temporary file already gone.
            _exit(fs::is_empty(folder) ? 7 : 8);
        });
        RemoveSaveTempFileOnSignals();
        CSafeFile file(temp.Path("out.osc"));
        file.Write("partial", 7);
        std::raise(SIGUSR2);
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 7) << status;
    // Twice on one thread: a second save after the first still cleans up.
    for (int round = 0; round < 2; ++round) {
        const int again = InChild([&] {
            RemoveSaveTempFileOnSignals();
            RemoveSaveTempFileOnSignals();  // installing twice chains to nothing twice
            {
                CSafeFile first(temp.Path("a.osc"));
                first.Write("a", 1);
                first.Commit();
            }
            CSafeFile second(temp.Path("b.osc"));
            second.Write("b", 1);
            std::raise(SIGTERM);
        });
        EXPECT_TRUE(WIFSIGNALED(again) && WTERMSIG(again) == SIGTERM);
        EXPECT_EQ(Names(temp.Path()), std::vector<std::string>{"a.osc"});
        fs::remove(temp.Path("a.osc"));
    }
}

TEST(SafeSave, PastTheFileSizeLimitASaveFailsWithAMessageAndLeavesNothing) {
    const CTempDir temp("tesqv-fsize");
    const std::string in = temp.Path("in.txt"), out = temp.Path("out.txt");
    std::string rows = "FileType QDL-RV\nCurve a\n\n";
    for (int i = 0; i < 20000; ++i) rows += "1.2345678 2.3456789\n";
    Put(in, rows);
    Put(out, "previous");
    const CliRun r = CliAfter("ulimit -f 64", "convert " + in + " " + out);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.err, out + " was not written whole: the file size limit was reached.\n");
    EXPECT_EQ(Slurp(out), "previous");
    EXPECT_EQ(Names(temp.Path()).size(), 2u);  // in and out, no temporary file
}

TEST(SafeSave, ANameOfAnyLengthTheFileSystemTakesCanBeSaved) {
    const CTempDir temp("tesqv-long");
    const std::string name(250, 'n');
    CSafeFile file(temp.Path(name + ".osc"));
    file.Write("x", 1);
    file.Commit();
    EXPECT_EQ(Slurp(temp.Path(name + ".osc")), "x");
}

TEST(SafeSave, TheBytesAreSyncedBeforeTheyArePutInPlace) {
    const CTempDir temp("tesqv-sync");
    const std::string target = temp.Path("out.osc");
    static std::vector<bool> targetExisted;
    static std::string watched;
    watched = target;
    targetExisted.clear();
    const auto previous = CSafeFile::s_sync;
    CSafeFile::s_sync = [](int fd) {
        targetExisted.push_back(fs::exists(watched));
        return ::fsync(fd);
    };
    {
        CSafeFile file(target);
        file.Write("x", 1);
        file.Commit();
    }
    CSafeFile::s_sync = previous;
    // The file's own sync, while the target did not exist yet, then the folder's.
    ASSERT_EQ(targetExisted.size(), 2u);
    EXPECT_FALSE(targetExisted[0]);
}
