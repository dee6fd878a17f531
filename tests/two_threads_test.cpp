// Work on two threads: every item once, and a failure on either thread stops both and is
// thrown to the caller.

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "framework/core/TwoThreads.h"

TEST(TwoThreads, EveryItemRunsOnceAndTheCallerHearsOfItsOwn) {
    for (const int n : {0, 1, 2, 1000}) {
        std::vector<std::atomic<int>> runs(static_cast<std::size_t>(n));
        int own = 0;
        ForEachOnTwoThreads(
            n, [&](int k) { ++runs[static_cast<std::size_t>(k)]; }, [&] { ++own; });
        for (const auto& r : runs) EXPECT_EQ(r.load(), 1) << n;
        EXPECT_LE(own, n);
        EXPECT_EQ(own > 0, n > 0) << n;
    }
}

// Run twice on one thread: a stop flag left over from the first run would end the second.
TEST(TwoThreads, AFailureOnEitherThreadIsThrownHereAndStopsTheOther) {
    for (int round = 0; round < 2; ++round) {
        std::atomic<int> ran{0};
        EXPECT_THROW(ForEachOnTwoThreads(100000,
                                         [&](int k) {
                                             ++ran;
                                             if (k == 10) throw std::runtime_error("item 10");
                                         }),
                     std::runtime_error);
        EXPECT_LT(ran.load(), 100000);
        int told = 0;
        EXPECT_THROW(ForEachOnTwoThreads(
                         100000, [](int) {},
                         [&] {
                             if (++told == 3) throw std::runtime_error("cancelled");
                         }),
                     std::runtime_error);
        EXPECT_EQ(told, 3);
    }
}
