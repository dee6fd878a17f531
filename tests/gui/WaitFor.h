#pragma once
// A wait a gtest sees: Qt's QTRY_ macros report to QTest, which a gtest never hears of.

#include <QDeadlineTimer>
#include <QTest>

// Handles events until `condition` holds; false once `bound` ms have passed. The bound is for
// a very busy machine, never a pause a test depends on.
template <class Condition>
bool WaitFor(Condition condition, int bound = 30000) {
    const QDeadlineTimer deadline(bound);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QTest::qWait(5);
    }
    return true;
}
