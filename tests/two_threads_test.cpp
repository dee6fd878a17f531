// Work on two threads: every item once, and a failure on either thread stops both and is
// thrown to the caller.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "framework/core/TwoThreads.h"

// Which thread takes how many items is the scheduler's affair: the caller may get none.
TEST(TwoThreads, EveryItemRunsOnceAndTheCallerHearsOfItsOwn) {
    const std::thread::id caller = std::this_thread::get_id();
    for (const int n : {0, 1, 2, 1000}) {
        std::vector<std::atomic<int>> runs(static_cast<std::size_t>(n));
        std::atomic<int> ownItems{0};
        int told = 0;
        ForEachOnTwoThreads(
            n,
            [&](int k) {
                ++runs[static_cast<std::size_t>(k)];
                if (std::this_thread::get_id() == caller) ++ownItems;
            },
            [&] {
                EXPECT_EQ(std::this_thread::get_id(), caller);
                ++told;
            });
        for (const auto& r : runs) EXPECT_EQ(r.load(), 1) << n;
        EXPECT_EQ(told, ownItems.load()) << n;
    }
}

// Run twice on one thread: a stop flag left over from the first run would end the second.
TEST(TwoThreads, AFailureOnEitherThreadIsThrownHereAndStopsTheOther) {
    for (int round = 0; round < 2; ++round) {
        // Items after the failing one take a millisecond each: the other thread would need
        // 100 s to run them all, where a stop takes it out at once.
        std::atomic<int> ran{0};
        EXPECT_THROW(
            ForEachOnTwoThreads(100000,
                                [&](int k) {
                                    ++ran;
                                    if (k == 10) throw std::runtime_error("item 10");
                                    if (k > 10)
                                        std::this_thread::sleep_for(std::chrono::milliseconds(1));
                                }),
            std::runtime_error);
        EXPECT_LT(ran.load(), 100000);
        // The other thread waits in its first item until the caller throws, so that the caller
        // surely has items to tell of.
        const std::thread::id caller = std::this_thread::get_id();
        std::atomic<bool> thrown{false};
        int told = 0;
        EXPECT_THROW(ForEachOnTwoThreads(
                         100000,
                         [&](int) {
                             while (std::this_thread::get_id() != caller && !thrown.load())
                                 std::this_thread::yield();
                         },
                         [&] {
                             if (++told < 3) return;
                             thrown.store(true);
                             throw std::runtime_error("cancelled");
                         }),
                     std::runtime_error);
        EXPECT_EQ(told, 3);
    }
}

// Work beside the window runs below it, and so do the threads that work starts (the second
// of ForEachOnTwoThreads among them); the calling thread keeps its own priority.
TEST(TwoThreads, WorkThatGivesWayRunsBelowTheWindowAndSoDoesItsHelper) {
    const auto nice = [] {
        return getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
    };
    const int window = nice();
    std::atomic<int> worker{window}, started{0};
    int items[2] = {window, window};
    std::thread([&] {
        GiveWayToTheWindow();
        worker = nice();
        // Each item waits for the other to start, so that each thread takes one.
        ForEachOnTwoThreads(2, [&](int k) {
            items[k] = nice();
            ++started;
            while (started < 2) std::this_thread::yield();
        });
    }).join();
    EXPECT_EQ(nice(), window);
    EXPECT_GT(worker, window);
    EXPECT_EQ(items[0], worker.load());
    EXPECT_EQ(items[1], worker.load());
}
