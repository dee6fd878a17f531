#include "framework/core/FileBytes.h"

#include <sys/mman.h>
#include <unistd.h>

#include <csetjmp>
#include <csignal>
#include <mutex>
#include <utility>

namespace {

// The bytes the current thread reads under a guard, and where to jump when they fault.
struct BusGuard {
    sigjmp_buf* jump;
    const std::uint8_t* begin;
    const std::uint8_t* end;
};
thread_local BusGuard* t_pGuard = nullptr;
struct sigaction g_previous {};

void OnBusError(int signal, siginfo_t* info, void* context) {
    const BusGuard* guard = t_pGuard;
    const auto* at = static_cast<const std::uint8_t*>(info->si_addr);
    if (guard != nullptr && at >= guard->begin && at < guard->end) siglongjmp(*guard->jump, 1);
    // Not a guarded read: as before this handler was installed.
    if ((g_previous.sa_flags & SA_SIGINFO) != 0 && g_previous.sa_sigaction != nullptr) {
        g_previous.sa_sigaction(signal, info, context);
    } else if (g_previous.sa_handler != SIG_IGN && g_previous.sa_handler != SIG_DFL &&
               g_previous.sa_handler != nullptr) {
        g_previous.sa_handler(signal);
    } else {
        // Returning faults again, now ending the process as it would have.
        std::signal(signal, SIG_DFL);
    }
}

}  // namespace

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

bool CFileBytes::ReadGuarded(const std::function<void()>& read) const {
    if (!m_bMapped) {
        read();
        return true;
    }
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        sigaction(SIGBUS, &action, &g_previous);
    });
    sigjmp_buf jump;
    BusGuard guard{&jump, m_p, m_p + m_n};
    BusGuard* const outer = t_pGuard;
    if (sigsetjmp(jump, 1) != 0) {
        t_pGuard = outer;
        return false;
    }
    t_pGuard = &guard;
    try {
        read();
    } catch (...) {
        t_pGuard = outer;
        throw;
    }
    t_pGuard = outer;
    return true;
}
