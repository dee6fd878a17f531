#pragma once
// CFileBytes: a file's bytes seen in place, so a reader decodes them without a copy: mapped
// read-only from the file, or borrowed from a file held in memory. Empty (false) when the
// file cannot be seen that way; its reader then reads it instead.

#include <cstddef>
#include <cstdint>
#include <functional>

class CFileBytes {
public:
    CFileBytes() = default;
    // Pages of a mapping, unmapped with it.
    static CFileBytes Mapped(void* p, std::size_t n);
    // Bytes someone else owns, for at least as long as this lives.
    static CFileBytes Borrowed(const void* p, std::size_t n);
    CFileBytes(CFileBytes&& other) noexcept;
    CFileBytes& operator=(CFileBytes&&) = delete;
    CFileBytes(const CFileBytes&) = delete;
    CFileBytes& operator=(const CFileBytes&) = delete;
    ~CFileBytes();

    explicit operator bool() const { return m_bValid; }
    const std::uint8_t* data() const { return m_p; }
    std::size_t size() const { return m_n; }
    // Runs read(), which reads these bytes: false, instead of the end of the process, when a
    // page of the mapping is gone because the file shrank meanwhile (the kernel signals a bus
    // error). read() is then left by a jump, so while it touches the bytes it must hold
    // nothing that needs destroying.
    bool ReadGuarded(const std::function<void()>& read) const;
    // The bytes below `end` are no longer needed: their pages leave the process (they stay in
    // the page cache), so a reader's resident memory does not grow by the file's size.
    void DoneWith(std::size_t end);

private:
    const std::uint8_t* m_p = nullptr;
    std::size_t m_n = 0;
    bool m_bValid = false;
    bool m_bMapped = false;
    std::size_t m_nReleased = 0;
};
