#include "framework/core/FileBytes.h"

#include <sys/mman.h>
#include <unistd.h>

#include <utility>

CFileBytes CFileBytes::Mapped(void* p, std::size_t n) {
    CFileBytes b = Borrowed(p, n);
    b.m_bMapped = p != nullptr;
    return b;
}

CFileBytes CFileBytes::Borrowed(const void* p, std::size_t n) {
    CFileBytes b;
    b.m_p = static_cast<const std::uint8_t*>(p);
    b.m_n = n;
    b.m_bValid = true;
    return b;
}

CFileBytes::CFileBytes(CFileBytes&& other) noexcept
    : m_p(std::exchange(other.m_p, nullptr)),
      m_n(std::exchange(other.m_n, 0)),
      m_bValid(std::exchange(other.m_bValid, false)),
      m_bMapped(std::exchange(other.m_bMapped, false)),
      m_nReleased(std::exchange(other.m_nReleased, 0)) {}

CFileBytes::~CFileBytes() {
    if (m_bMapped) ::munmap(const_cast<std::uint8_t*>(m_p), m_n);
}

void CFileBytes::DoneWith(std::size_t end) {
    if (!m_bMapped) return;
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    end = end / page * page;
    if (end <= m_nReleased) return;
    ::madvise(const_cast<std::uint8_t*>(m_p) + m_nReleased, end - m_nReleased, MADV_DONTNEED);
    m_nReleased = end;
}
