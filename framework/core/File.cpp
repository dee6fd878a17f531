#include "framework/core/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "framework/core/MessageSink.h"

namespace {

CFileException::Cause CauseOf(int err) {
    switch (err) {
        case ENOENT:
            return CFileException::fileNotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
        case EISDIR:
            return CFileException::badPath;
        case EACCES:
        case EPERM:
        case EROFS:
            return CFileException::accessDenied;
        case ENOSPC:
        case EDQUOT:
            return CFileException::diskFull;
        default:
            return CFileException::genericException;
    }
}

}  // namespace

std::string CFileException::GetErrorMessage() const {
    const std::string& f = m_strFileName;
    switch (m_cause) {
        case fileNotFound:
            return f + " was not found.";
        case badPath:
            return f + " contains an invalid path.";
        case accessDenied:
            return f + " cannot be accessed.";
        case diskFull:
            return "Disk full while accessing " + f + ".";
        case endOfFile:
            return "Attempted to access " + f + " past its end.";
        default:
            return "An unexpected error occurred while accessing " + f + ".";
    }
}

void CFileException::ReportError() const {
    AfxMessageBox(GetErrorMessage());
}

CFile::CFile(const std::string& path, unsigned flags) {
    CFileException error(CFileException::none, 0, path);
    if (!Open(path, flags, &error)) throw error;
}

CFile::~CFile() {
    if (m_hFile >= 0) ::close(m_hFile);
}

bool CFile::Open(const std::string& path, unsigned flags, CFileException* pError) {
    Close();
    m_strFileName = path;
    int oflags = O_CLOEXEC;
    oflags |= (flags & modeWrite) ? O_WRONLY : O_RDONLY;
    if (flags & modeCreate) oflags |= O_CREAT | O_TRUNC;
    m_hFile = ::open(path.c_str(), oflags, 0666);
    if (m_hFile >= 0) {
        struct stat st {};
        // A directory opens for reading on Linux but is no file to read.
        if (::fstat(m_hFile, &st) == 0 && S_ISDIR(st.st_mode)) {
            ::close(m_hFile);
            m_hFile = -1;
            errno = EISDIR;
        }
    }
    if (m_hFile < 0) {
        if (pError) *pError = CFileException(CauseOf(errno), errno, path);
        return false;
    }
    return true;
}

void CFile::ThrowOsError(int err) const {
    throw CFileException(CauseOf(err), err, m_strFileName);
}

std::size_t CFile::Read(void* pBuf, std::size_t nCount) {
    for (;;) {
        const ssize_t n = ::read(m_hFile, pBuf, nCount);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno != EINTR) ThrowOsError(errno);
    }
}

void CFile::Write(const void* pBuf, std::size_t nCount) {
    const char* p = static_cast<const char*>(pBuf);
    while (nCount > 0) {
        const ssize_t n = ::write(m_hFile, p, nCount);
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowOsError(errno);
        }
        p += n;
        nCount -= static_cast<std::size_t>(n);
    }
}

std::uint64_t CFile::Seek(std::int64_t lOff, SeekPosition from) {
    const off_t pos = ::lseek(m_hFile, lOff,
                              from == begin     ? SEEK_SET
                              : from == current ? SEEK_CUR
                                                : SEEK_END);
    if (pos < 0) ThrowOsError(errno);
    return static_cast<std::uint64_t>(pos);
}

std::uint64_t CFile::GetPosition() const {
    const off_t pos = ::lseek(m_hFile, 0, SEEK_CUR);
    if (pos < 0) ThrowOsError(errno);
    return static_cast<std::uint64_t>(pos);
}

std::uint64_t CFile::GetLength() const {
    struct stat st {};
    if (::fstat(m_hFile, &st) != 0) ThrowOsError(errno);
    return static_cast<std::uint64_t>(st.st_size);
}

void CFile::Close() {
    if (m_hFile < 0) return;
    const int fd = m_hFile;
    m_hFile = -1;
    // A failing close can be the first report of a failed write (full disk over NFS).
    if (::close(fd) != 0 && errno != EINTR) ThrowOsError(errno);
}
