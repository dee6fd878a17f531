#pragma once
// Work split over the two cores the program counts on: the calling thread and one more.

#include <functional>

// Runs work(0) .. work(n-1), each once, on this thread and one other, and returns when all
// are done. afterOwn, when given, runs on this thread after each item this thread did (to
// tell progress; it may throw to stop). An exception either thread met is thrown here (the
// first); the other thread then takes no more work.
void ForEachOnTwoThreads(int n, const std::function<void(int)>& work,
                         const std::function<void()>& afterOwn = {});

// Work beside the window gives way to it: this thread, and those it starts after, run at a
// lower priority, so that on two busy cores the window's thread is not kept waiting.
void GiveWayToTheWindow();
