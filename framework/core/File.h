#pragma once
// Block file access over POSIX calls: reads return the count read, failures throw
// CFileException, whose errno cause gives the framework's file message (std::fstream
// cannot say why a file failed).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CFileException {
public:
    enum Cause {
        none,
        genericException,
        fileNotFound,
        badPath,
        accessDenied,
        diskFull,
        endOfFile,
        isFolder,        // a folder where a file was expected
        notRegularFile,  // a FIFO, device or socket where a file was expected
        folderNotFound,  // the folder a new file was to go in
        folderReadOnly,  // that folder exists but takes no new file
        fileTooLarge,    // past the file-size limit the process runs under (ulimit -f)
        stagingFailed,   // no room for a save's bytes in the folder m_strFolder names
    };

    CFileException(Cause cause, int osError, std::string fileName)
        : m_cause(cause), m_lOsError(osError), m_strFileName(std::move(fileName)) {}

    // The framework's standard text for the failure, naming the file.
    std::string GetErrorMessage() const;
    // Shows GetErrorMessage through the message sink.
    void ReportError() const;

    Cause m_cause;
    int m_lOsError;
    std::string m_strFileName;
    std::string m_strFolder;  // stagingFailed: where the bytes were to wait
};

// Thrown by a read hook to stop a read that is no longer wanted.
struct CReadCancelled {};

class CFile {
public:
    enum OpenFlags : unsigned { modeRead = 0x0, modeWrite = 0x1, modeCreate = 0x1000 };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    CFile() = default;
    // Opens or throws; modeCreate | modeWrite creates the file or truncates an existing one.
    CFile(const std::string& path, unsigned flags);
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // false when the file cannot be opened; the cause goes to pError when given. A file
    // opened to read must be a regular file, and is read no further than its length then.
    virtual bool Open(const std::string& path, unsigned flags, CFileException* pError = nullptr);
    // Returns the count read, 0 at the end; a short count does not by itself mean the end.
    virtual std::size_t Read(void* pBuf, std::size_t nCount);
    virtual void Write(const void* pBuf, std::size_t nCount);
    virtual std::uint64_t Seek(std::int64_t lOff, SeekPosition from);
    virtual std::uint64_t GetPosition() const;
    virtual std::uint64_t GetLength() const;
    // When the file was last written, in nanoseconds; with the length, what tells a reader
    // that the file changed under it.
    virtual std::int64_t GetModified() const;
    // All that tells whether an open file was written since, from one look at it: its length,
    // the times of its last write and of its last change of status (which no program can set
    // back), in nanoseconds, whether a name still leads to it, and which file it is.
    struct Stamp {
        std::uint64_t length = 0;
        std::int64_t modified = 0, statusChanged = 0;
        bool linked = true;
        std::uint64_t device = 0, inode = 0;
    };
    virtual Stamp GetStamp() const;
    // nCount bytes or fewer from `offset`, within the length at open, without moving the
    // position or telling m_onRead; several threads may call it at once.
    virtual std::size_t ReadAt(std::uint64_t offset, void* pBuf, std::size_t nCount);
    virtual void Close();
    // Another CFile over the same open file, for reads at an offset (ReadAt) that outlive
    // this one, with the same bound; null when there is none to be had.
    virtual std::unique_ptr<CFile> Duplicate() const;

    void SeekToBegin() { Seek(0, begin); }
    // Told the byte count of every read; it may throw (CReadCancelled, CFileException) to
    // stop the reader.
    std::function<void(std::size_t)> m_onRead;
    const std::string& GetFilePath() const { return m_strFileName; }

protected:
    [[noreturn]] void ThrowOsError(int err) const;

    int m_hFile = -1;
    std::string m_strFileName;
    bool m_bBounded = false;  // opened to read: reads stop at m_nLengthAtOpen
    std::uint64_t m_nLengthAtOpen = 0;
    std::uint64_t m_nPos = 0;  // where the next read starts, for the bound
};
