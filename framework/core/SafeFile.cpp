#include "framework/core/SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace {

// The temporary file of the save in progress, for the signal handler: a plain buffer, since
// a handler may only read memory and call async-signal-safe functions.
char g_pendingTemp[PATH_MAX];
volatile std::sig_atomic_t g_hasPendingTemp = 0;

void SetPending(const std::string& path) {
    g_hasPendingTemp = 0;
    if (path.size() >= sizeof g_pendingTemp) return;
    std::memcpy(g_pendingTemp, path.c_str(), path.size() + 1);
    g_hasPendingTemp = 1;
}

void RemovePendingAndRaise(int sig) {
    if (g_hasPendingTemp) ::unlink(g_pendingTemp);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
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

}  // namespace

void RemoveSaveTempFileOnSignals() {
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, RemovePendingAndRaise);
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
            m_hFile = ::open(m_strTarget.c_str(), O_WRONLY | O_CLOEXEC);
            if (m_hFile < 0) ThrowOsError(errno);
            return;
        }
    }
    std::string pattern = m_strTarget + ".XXXXXX";
    m_hFile = ::mkstemp(pattern.data());
    if (m_hFile < 0) {
        const int err = errno;
        if (err == ENOENT) throw CFileException(CFileException::folderNotFound, err, path);
        ThrowOsError(err);
    }
    m_strTemp = pattern;
    SetPending(m_strTemp);
}

CSafeFile::~CSafeFile() {
    if (!m_strTemp.empty()) {
        g_hasPendingTemp = 0;
        ::unlink(m_strTemp.c_str());
    }
}

void CSafeFile::Commit() {
    if (m_strTemp.empty()) {
        // In place: the new bytes may be fewer than the old.
        const off_t written = ::lseek(m_hFile, 0, SEEK_CUR);
        if (written < 0 || ::ftruncate(m_hFile, written) != 0 || ::fsync(m_hFile) != 0)
            ThrowOsError(errno);
        Close();
        return;
    }
    struct stat st {};
    mode_t mode;
    if (::stat(m_strTarget.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
        // Owner and group as before where the user may set them; the group alone otherwise.
        if (::fchown(m_hFile, st.st_uid, st.st_gid) != 0) (void)::fchown(m_hFile, -1, st.st_gid);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(m_hFile, mode) != 0 || ::fsync(m_hFile) != 0) ThrowOsError(errno);
    Close();
    if (::rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0) ThrowOsError(errno);
    g_hasPendingTemp = 0;
    m_strTemp.clear();
    // The rename itself lasts only once the folder is on disk.
    const int folder = ::open(FolderOf(m_strTarget).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}
