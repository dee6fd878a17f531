#pragma once
// Work split over the two cores the program counts on: the calling thread and one more.

#include <functional>

// Runs work(0) .. work(n-1), each once, on this thread and one other, and returns when all
// are done. An exception either thread met is thrown here (the first); the other thread
// then takes no more work.
void ForEachOnTwoThreads(int n, const std::function<void(int)>& work);
