#include "framework/core/SafeFile.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// The signals that end the process by default and that a save must outlive cleanly; SIGXFSZ
// is ignored instead, so that a write past the file-size limit fails with a message.
constexpr int kEndingSignals[] = {SIGHUP,  SIGINT,  SIGQUIT,   SIGPIPE, SIGALRM, SIGTERM,
                                  SIGUSR1, SIGUSR2, SIGVTALRM, SIGPROF, SIGXCPU};

// The temporary file of the save in progress, for the signal handler: a plain buffer, since
// a handler may only read memory and call async-signal-safe functions. The name is complete
// before the flag says so (the fence keeps the compiler from reordering the two).
char g_pendingTemp[PATH_MAX];
volatile std::sig_atomic_t g_hasPendingTemp = 0;
struct sigaction g_previous[NSIG];

void SetPending(const std::string& path) {
    g_hasPendingTemp = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (path.size() >= sizeof g_pendingTemp) return;
    std::memcpy(g_pendingTemp, path.c_str(), path.size() + 1);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    g_hasPendingTemp = 1;
}

void ClearPending() {
    g_hasPendingTemp = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
}

// While a save copies over its target in place, an ending signal waits for the copy to end,
// whichever thread the kernel gave it to: the first one is kept here and raised again then.
std::atomic<int> g_copyingInPlace{0};
std::atomic<int> g_heldSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "used in a signal handler");

// Removes the temporary file, then does what the signal did before: the handler that was
// there, or the default action, which ends the process as the signal would have.
void RemovePendingAndChain(int sig, siginfo_t* info, void* context) {
    if (g_copyingInPlace.load() != 0) {
        int none = 0;
        g_heldSignal.compare_exchange_strong(none, sig);
        return;
    }
    if (g_hasPendingTemp) ::unlink(g_pendingTemp);
    const struct sigaction& before = g_previous[sig];
    if ((before.sa_flags & SA_SIGINFO) != 0 && before.sa_sigaction != nullptr) {
        before.sa_sigaction(sig, info, context);
    } else if (before.sa_handler != SIG_DFL && before.sa_handler != SIG_IGN &&
               before.sa_handler != nullptr) {
        before.sa_handler(sig);
    } else {
        ::signal(sig, SIG_DFL);
        ::raise(sig);
    }
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool MayWrite(const std::string& path) {
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

// Follows symbolic links to the file that is to be replaced; a dangling link resolves to
// where it points. A chain that does not end is a loop: ELOOP.
std::string ResolveTarget(const std::string& path, int& error) {
    std::string target = path;
    error = 0;
    for (int hops = 0; hops <= 40; ++hops) {
        char buf[PATH_MAX];
        const ssize_t n = ::readlink(target.c_str(), buf, sizeof buf - 1);
        if (n < 0) return target;
        std::string link(buf, static_cast<std::size_t>(n));
        if (link.empty() || link[0] != '/') {
            const auto slash = target.rfind('/');
            link =
                (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + link;
        }
        target = link;
    }
    error = ELOOP;
    return target;
}

// A new file of a short name of its own in `folder` (any name fits beside the longest
// target), created with the mode a new file gets (0666 less the umask, which the kernel
// applies: no umask(0) that other threads would see). -1 with errno on failure.
int CreateTemporary(const std::string& folder, std::string& path) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = folder + "/.tesqv-";
        for (int k = 0; k < 8; ++k) name += kLetters[entropy() % (sizeof kLetters - 1)];
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            path = name;
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

// A file with no name in `folder`; -1 with errno on failure.
int NamelessFileIn(const std::string& folder) {
#ifdef O_TMPFILE
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
#endif
    std::string path = folder + "/.tesqv-XXXXXX";
    const int named = ::mkstemp(path.data());
    if (named >= 0) ::unlink(path.c_str());
    return named;
}

// Where a save in place may keep its bytes until all of them are there: the temporary
// folder, else /tmp, else beside the target when its folder takes files.
std::vector<std::string> StagingFolders(const std::string& target) {
    std::vector<std::string> folders;
    const char* dir = std::getenv("TMPDIR");
    if (dir != nullptr && *dir != '\0') folders.emplace_back(dir);
    if (folders.empty() || folders.front() != "/tmp") folders.emplace_back("/tmp");
    if (MayWrite(FolderOf(target))) folders.push_back(FolderOf(target));
    return folders;
}

// Bytes 0 .. n-1 of one file into another; false with errno on failure.
bool CopyBytes(int from, int to, off_t n) {
    char buf[64 * 1024];
    for (off_t at = 0; at < n;) {
        const ssize_t got = ::pread(
            from, buf,
            static_cast<std::size_t>(std::min<off_t>(n - at, static_cast<off_t>(sizeof buf))), at);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        for (ssize_t done = 0; done < got;) {
            const ssize_t w =
                ::pwrite(to, buf + done, static_cast<std::size_t>(got - done), at + done);
            if (w < 0 && errno == EINTR) continue;
            if (w < 0) return false;
            done += w;
        }
        at += got;
    }
    return true;
}

// A folder with the sticky bit (as /tmp) lets only the owner of a file, or of the folder,
// rename over it: any other user who may write the file writes it in place.
bool StickyAgainstUs(const std::string& folder, const struct stat& target) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || (st.st_mode & S_ISVTX) == 0) return false;
    const uid_t us = ::geteuid();
    return us != 0 && target.st_uid != us && st.st_uid != us;
}

// The signals a save in place holds until it is done, in the whole process: this thread
// blocks them, and one that reaches another thread is kept by the handler
// (RemoveSaveTempFileOnSignals) and raised again once the copy is over, so the process ends
// as the signal says, with the file whole.
class CHeldSignals {
public:
    CHeldSignals() {
        sigset_t held;
        sigemptyset(&held);
        for (const int sig : kEndingSignals) sigaddset(&held, sig);
        pthread_sigmask(SIG_BLOCK, &held, &m_before);
        g_copyingInPlace.fetch_add(1);
    }
    ~CHeldSignals() {
        const int sig = g_copyingInPlace.fetch_sub(1) == 1 ? g_heldSignal.exchange(0) : 0;
        pthread_sigmask(SIG_SETMASK, &m_before, nullptr);
        if (sig != 0) ::raise(sig);
    }
    CHeldSignals(const CHeldSignals&) = delete;
    CHeldSignals& operator=(const CHeldSignals&) = delete;

private:
    sigset_t m_before;
};

}  // namespace

int (*CSafeFile::s_sync)(int fd) = ::fsync;
void (*CSafeFile::s_copied)(long long bytes) = nullptr;

void RemoveSaveTempFileOnSignals() {
    std::signal(SIGXFSZ, SIG_IGN);
    for (const int sig : kEndingSignals) {
        struct sigaction now {};
        sigaction(sig, nullptr, &now);
        if ((now.sa_flags & SA_SIGINFO) == 0 && now.sa_handler == SIG_IGN) continue;
        if ((now.sa_flags & SA_SIGINFO) != 0 && now.sa_sigaction == RemovePendingAndChain)
            continue;  // already ours
        g_previous[sig] = now;
        struct sigaction ours {};
        ours.sa_sigaction = RemovePendingAndChain;
        ours.sa_flags = SA_SIGINFO;
        sigemptyset(&ours.sa_mask);
        sigaction(sig, &ours, nullptr);
    }
}

CSafeFile::CSafeFile(const std::string& path) {
    m_strFileName = path;
    int error = 0;
    m_strTarget = ResolveTarget(path, error);
    if (error != 0) ThrowOsError(error);
    struct stat st {};
    const bool exists = ::stat(m_strTarget.c_str(), &st) == 0;
    if (exists) {
        if (S_ISDIR(st.st_mode)) throw CFileException(CFileException::isFolder, EISDIR, path);
        if (!S_ISREG(st.st_mode))
            throw CFileException(CFileException::notRegularFile, EINVAL, path);
        if (!MayWrite(m_strTarget)) ThrowOsError(EACCES);
        if (!MayWrite(FolderOf(m_strTarget)) || st.st_nlink > 1 ||
            StickyAgainstUs(FolderOf(m_strTarget), st)) {
            // In place: the bytes wait in a staging file until all of them are there.
            m_hTarget = ::open(m_strTarget.c_str(), O_WRONLY | O_CLOEXEC);
            if (m_hTarget < 0) ThrowOsError(errno);
            m_stagingFolders = StagingFolders(m_strTarget);
            try {
                Restage(0, 0);
            } catch (...) {
                ::close(m_hTarget);
                m_hTarget = -1;
                throw;
            }
            return;
        }
    }
    m_hFile = CreateTemporary(FolderOf(m_strTarget), m_strTemp);
    if (m_hFile < 0) {
        const int err = errno;
        m_strTemp.clear();
        // Some folders that exist still take no new file (a read-only mount, /proc): say which
        // it is rather than that the folder is missing.
        struct stat folder {};
        const bool folderExists =
            ::stat(FolderOf(m_strTarget).c_str(), &folder) == 0 && S_ISDIR(folder.st_mode);
        if (folderExists && (err == ENOENT || err == EACCES || err == EPERM || err == EROFS))
            throw CFileException(CFileException::folderReadOnly, err, path);
        if (err == ENOENT) throw CFileException(CFileException::folderNotFound, err, path);
        ThrowOsError(err);
    }
    SetPending(m_strTemp);
}

void CSafeFile::Restage(off_t kept, int failure) {
    int firstError = failure;
    for (; m_nStaging < m_stagingFolders.size(); ++m_nStaging) {
        const int fd = NamelessFileIn(m_stagingFolders[m_nStaging]);
        if (fd >= 0 && (kept == 0 || CopyBytes(m_hFile, fd, kept)) &&
            ::lseek(fd, kept, SEEK_SET) == kept) {
            if (m_hFile >= 0) ::close(m_hFile);
            m_hFile = fd;
            return;
        }
        if (firstError == 0) firstError = errno;
        if (fd >= 0) ::close(fd);
    }
    CFileException staging(CFileException::stagingFailed, firstError, m_strFileName);
    staging.m_strFolder = m_stagingFolders.front();
    throw staging;
}

void CSafeFile::Write(const void* pBuf, std::size_t nCount) {
    if (m_onWrite) m_onWrite(nCount);
    for (;;) {
        const off_t before = m_hTarget >= 0 ? ::lseek(m_hFile, 0, SEEK_CUR) : 0;
        try {
            CFile::Write(pBuf, nCount);
            return;
        } catch (const CFileException& e) {
            // A full staging folder is no full target: the bytes move to the next folder.
            if (m_hTarget < 0 || e.m_cause != CFileException::diskFull || before < 0) throw;
            ++m_nStaging;
            Restage(before, e.m_lOsError);
        }
    }
}

CSafeFile::~CSafeFile() {
    if (!m_strTemp.empty()) {
        ClearPending();
        ::unlink(m_strTemp.c_str());
    }
    if (m_hTarget >= 0) ::close(m_hTarget);
}

void CSafeFile::CommitInPlace() {
    const off_t size = ::lseek(m_hFile, 0, SEEK_END);
    if (size < 0) ThrowOsError(errno);
    // Room for all of it first: a full disk refuses here, with the old file untouched.
    if (size > 0) {
        const int err = ::fallocate(m_hTarget, FALLOC_FL_KEEP_SIZE, 0, size);
        if (err != 0 && errno != EOPNOTSUPP) ThrowOsError(errno);
    }
    // From the first byte overwritten to the last one synced, a signal waits.
    const CHeldSignals held;
    char buf[64 * 1024];
    for (off_t at = 0; at < size;) {
        const ssize_t n = ::pread(m_hFile, buf, sizeof buf, at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ThrowOsError(n < 0 ? errno : EIO);
        for (ssize_t done = 0; done < n;) {
            const ssize_t w =
                ::pwrite(m_hTarget, buf + done, static_cast<std::size_t>(n - done), at + done);
            if (w < 0 && errno == EINTR) continue;
            if (w < 0) ThrowOsError(errno);
            done += w;
        }
        at += n;
        if (s_copied != nullptr) s_copied(static_cast<long long>(at));
    }
    if (::ftruncate(m_hTarget, size) != 0 || s_sync(m_hTarget) != 0) ThrowOsError(errno);
    const int target = m_hTarget;
    m_hTarget = -1;
    if (::close(target) != 0 && errno != EINTR) ThrowOsError(errno);
    Close();
}

void CSafeFile::Commit() {
    if (m_hTarget >= 0) {
        CommitInPlace();
        return;
    }
    struct stat st {};
    if (::stat(m_strTarget.c_str(), &st) == 0) {
        // Owner and group as before where the user may set them; the group alone otherwise.
        if (::fchown(m_hFile, st.st_uid, st.st_gid) != 0) (void)::fchown(m_hFile, -1, st.st_gid);
        if (::fchmod(m_hFile, st.st_mode & 07777) != 0) ThrowOsError(errno);
    }
    if (s_sync(m_hFile) != 0) ThrowOsError(errno);
    Close();
    if (::rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0) ThrowOsError(errno);
    ClearPending();
    m_strTemp.clear();
    // The rename itself lasts only once the folder is on disk.
    const int folder = ::open(FolderOf(m_strTarget).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        s_sync(folder);
        ::close(folder);
    }
}
