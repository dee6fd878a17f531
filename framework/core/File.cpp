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
        case ELOOP:
            return CFileException::badPath;
        case EISDIR:
            return CFileException::isFolder;
        case EACCES:
        case EPERM:
        case EROFS:
            return CFileException::accessDenied;
        case ENOSPC:
        case EDQUOT:
            return CFileException::diskFull;
        case EFBIG:
            return CFileException::fileTooLarge;
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
        case isFolder:
            return f + " is a folder, not a file.";
        case notRegularFile:
            return f + " is not a regular file.";
        case folderNotFound:
            return "The folder of " + f + " does not exist.";
        case folderReadOnly:
            return "The folder of " + f + " cannot be written.";
        case accessDenied:
            return f + " cannot be accessed.";
        case diskFull:
            return "Disk full while accessing " + f + ".";
        case endOfFile:
            return "Attempted to access " + f + " past its end.";
        case fileTooLarge:
            return f + " was not written whole: the file size limit was reached.";
        case stagingFailed:
            return f + " was not saved: its bytes could not be kept in the temporary folder " +
                   m_strFolder + " (" + std::strerror(m_lOsError) + ").";
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
    m_bBounded = false;
    m_nPos = 0;
    const bool write = (flags & modeWrite) != 0;
    int oflags = O_CLOEXEC;
    oflags |= write ? O_WRONLY : O_RDONLY;
    if (flags & modeCreate) oflags |= O_CREAT | O_TRUNC;
    // Not blocking: opening a FIFO to read would wait for a writer.
    if (!write) oflags |= O_NONBLOCK;
    m_hFile = ::open(path.c_str(), oflags, 0666);
    int err = errno;
    CFileException::Cause cause = CauseOf(err);
    if (m_hFile >= 0 && !write) {
        struct stat st {};
        // Only a regular file has an end to read to: a folder, a FIFO or a device is refused.
        if (::fstat(m_hFile, &st) != 0 || !S_ISREG(st.st_mode)) {
            err = errno;
            cause = S_ISDIR(st.st_mode) ? CFileException::isFolder : CFileException::notRegularFile;
            ::close(m_hFile);
            m_hFile = -1;
        } else {
            ::fcntl(m_hFile, F_SETFL, ::fcntl(m_hFile, F_GETFL) & ~O_NONBLOCK);
            m_bBounded = true;
            m_nLengthAtOpen = static_cast<std::uint64_t>(st.st_size);
        }
    }
    if (m_hFile < 0) {
        if (pError) *pError = CFileException(cause, err, path);
        return false;
    }
    return true;
}

void CFile::ThrowOsError(int err) const {
    throw CFileException(CauseOf(err), err, m_strFileName);
}

std::size_t CFile::Read(void* pBuf, std::size_t nCount) {
    // A file read to its length at open: one that grows meanwhile cannot keep a reader busy.
    if (m_bBounded)
        nCount = static_cast<std::size_t>(
            std::min<std::uint64_t>(nCount, m_nLengthAtOpen - std::min(m_nPos, m_nLengthAtOpen)));
    if (nCount == 0) return 0;
    for (;;) {
        const ssize_t n = ::read(m_hFile, pBuf, nCount);
        if (n >= 0) {
            m_nPos += static_cast<std::uint64_t>(n);
            if (m_onRead) m_onRead(static_cast<std::size_t>(n));
            return static_cast<std::size_t>(n);
        }
        if (errno != EINTR) ThrowOsError(errno);
    }
}

std::size_t CFile::ReadAt(std::uint64_t offset, void* pBuf, std::size_t nCount) {
    if (m_bBounded)
        nCount = static_cast<std::size_t>(
            std::min<std::uint64_t>(nCount, m_nLengthAtOpen - std::min(offset, m_nLengthAtOpen)));
    if (nCount == 0) return 0;
    for (;;) {
        const ssize_t n = ::pread(m_hFile, pBuf, nCount, static_cast<off_t>(offset));
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
    m_nPos = static_cast<std::uint64_t>(pos);
    return m_nPos;
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

std::int64_t CFile::GetModified() const {
    struct stat st {};
    if (::fstat(m_hFile, &st) != 0) ThrowOsError(errno);
    return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
}

CFile::Stamp CFile::GetStamp() const {
    struct stat st {};
    if (::fstat(m_hFile, &st) != 0) ThrowOsError(errno);
    const auto ns = [](const timespec& t) {
        return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
    };
    return {static_cast<std::uint64_t>(st.st_size),
            ns(st.st_mtim),
            ns(st.st_ctim),
            st.st_nlink > 0,
            static_cast<std::uint64_t>(st.st_dev),
            static_cast<std::uint64_t>(st.st_ino)};
}

std::unique_ptr<CFile> CFile::Duplicate() const {
    if (m_hFile < 0) return nullptr;
    const int fd = ::fcntl(m_hFile, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) return nullptr;
    auto copy = std::make_unique<CFile>();
    copy->m_hFile = fd;
    copy->m_strFileName = m_strFileName;
    copy->m_bBounded = m_bBounded;
    copy->m_nLengthAtOpen = m_nLengthAtOpen;
    return copy;
}

void CFile::Close() {
    if (m_hFile < 0) return;
    const int fd = m_hFile;
    m_hFile = -1;
    // A failing close can be the first report of a failed write (full disk over NFS).
    if (::close(fd) != 0 && errno != EINTR) ThrowOsError(errno);
}
