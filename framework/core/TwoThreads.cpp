#include "framework/core/TwoThreads.h"

#include <atomic>
#include <exception>
#include <mutex>
#include <thread>

void ForEachOnTwoThreads(int n, const std::function<void(int)>& work) {
    if (n <= 1) {
        if (n == 1) work(0);
        return;
    }
    std::atomic<int> next{0};
    std::atomic<bool> stop{false};
    std::exception_ptr failure;
    std::mutex failureMutex;
    const auto run = [&] {
        try {
            for (int k; !stop.load() && (k = next.fetch_add(1)) < n;) work(k);
        } catch (...) {
            const std::lock_guard<std::mutex> lock(failureMutex);
            if (!failure) failure = std::current_exception();
            stop.store(true);
        }
    };
    std::thread helper(run);
    run();
    helper.join();
    if (failure) std::rethrow_exception(failure);
}
