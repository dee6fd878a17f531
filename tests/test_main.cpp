// The core suite's entry: a private home for this process, then the tests.

#include <gtest/gtest.h>

#include "tests/support/PrivateHome.h"

int main(int argc, char** argv) {
    const CPrivateHome home;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
