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

// Removes the temporary file, then does what the signal did before: the handler that was
// there, or the default action, which ends the process as the signal would have.
void RemovePendingAndChain(int sig, siginfo_t* info, void* context) {
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

// A file with no name in the temporary folder, to hold a save before it goes in place.
int CreateStaging() {
    const char* dir = std::getenv("TMPDIR");
    const std::string folder = dir != nullptr && *dir != '\0' ? dir : "/tmp";
#ifdef O_TMPFILE
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
#endif
    std::string path = folder + "/.tesqv-XXXXXX";
    const int named = ::mkstemp(path.data());
    if (named >= 0) ::unlink(path.c_str());
    return named;
}

// The signals a save in place holds until it is done, and the mask they had before.
class CHeldSignals {
public:
    CHeldSignals() {
        sigset_t held;
        sigemptyset(&held);
        for (const int sig : kEndingSignals) sigaddset(&held, sig);
        pthread_sigmask(SIG_BLOCK, &held, &m_before);
    }
    ~CHeldSignals() { pthread_sigmask(SIG_SETMASK, &m_before, nullptr); }
    CHeldSignals(const CHeldSignals&) = delete;
    CHeldSignals& operator=(const CHeldSignals&) = delete;

private:
    sigset_t m_before;
};

}  // namespace

int (*CSafeFile::s_sync)(int fd) = ::fsync;

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
        if (!MayWrite(FolderOf(m_strTarget)) || st.st_nlink > 1) {
            // In place: the bytes wait in a staging file until all of them are there.
            m_hTarget = ::open(m_strTarget.c_str(), O_WRONLY | O_CLOEXEC);
            if (m_hTarget < 0) ThrowOsError(errno);
            m_hFile = CreateStaging();
            if (m_hFile < 0) {
                const int err = errno;
                ::close(m_hTarget);
                m_hTarget = -1;
                ThrowOsError(err);
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
