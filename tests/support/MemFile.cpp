#include "tests/support/MemFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

CMemFile::CMemFile(const void* pData, std::size_t nSize)
    : m_bytes(static_cast<const char*>(pData), static_cast<const char*>(pData) + nSize) {}

std::size_t CMemFile::Read(void* pBuf, std::size_t nCount) {
    const std::size_t n = std::min(nCount, m_bytes.size() - std::min(m_pos, m_bytes.size()));
    if (n > 0) std::memcpy(pBuf, m_bytes.data() + m_pos, n);
    m_pos += n;
    return n;
}

std::size_t CMemFile::ReadAt(std::uint64_t offset, void* pBuf, std::size_t nCount) {
    const std::size_t at =
        static_cast<std::size_t>(std::min<std::uint64_t>(offset, m_bytes.size()));
    const std::size_t n = std::min(nCount, m_bytes.size() - at);
    if (n > 0) std::memcpy(pBuf, m_bytes.data() + at, n);
    return n;
}

void CMemFile::Write(const void* pBuf, std::size_t nCount) {
    if (m_pos + nCount > m_bytes.size()) m_bytes.resize(m_pos + nCount);
    if (nCount > 0) std::memcpy(m_bytes.data() + m_pos, pBuf, nCount);
    m_pos += nCount;
}

std::uint64_t CMemFile::Seek(std::int64_t lOff, SeekPosition from) {
    const std::int64_t base = from == begin     ? 0
                              : from == current ? static_cast<std::int64_t>(m_pos)
                                                : static_cast<std::int64_t>(m_bytes.size());
    if (base + lOff < 0) throw CFileException(CFileException::badPath, EINVAL, "memory file");
    m_pos = static_cast<std::size_t>(base + lOff);
    return m_pos;
}
