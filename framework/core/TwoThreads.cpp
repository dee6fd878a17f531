#include "framework/core/TwoThreads.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <exception>
#include <mutex>
#include <thread>

void ForEachOnTwoThreads(int n, const std::function<void(int)>& work,
                         const std::function<void()>& afterOwn) {
    if (n <= 1) {
        if (n == 1) work(0);
        if (n == 1 && afterOwn) afterOwn();
        return;
    }
    std::atomic<int> next{0};
    std::atomic<bool> stop{false};
    std::exception_ptr failure;
    std::mutex failureMutex;
    const auto run = [&](bool own) {
        try {
            for (int k; !stop.load() && (k = next.fetch_add(1)) < n;) {
                work(k);
                if (own && afterOwn) afterOwn();
            }
        } catch (...) {
            const std::lock_guard<std::mutex> lock(failureMutex);
            if (!failure) failure = std::current_exception();
            stop.store(true);
        }
    };
    std::thread helper(run, false);
    run(true);
    helper.join();
    if (failure) std::rethrow_exception(failure);
}

void GiveWayToTheWindow() {
    // Linux keeps a nice value per thread; a thread inherits its creator's.
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
}
