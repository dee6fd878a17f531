#pragma once
// What the statistics need of a run of samples, in a form two runs combine into one: the
// count of NaN and of infinite samples, the count, mean and sum of squared deviations (M2)
// of the finite ones (combined by the pairwise rule of Chan, Golub and LeVeque, which keeps
// its precision over billions of samples), and the extremes by the in-order rule.

#include <cstdint>
#include <limits>

struct Moments {
    std::int64_t count = 0;  // finite samples
    std::int64_t nan = 0, posInf = 0, negInf = 0;
    double mean = 0, m2 = 0;  // of the finite samples
    // In-order extremes of the samples that are not NaN (infinities included); -inf and +inf
    // when there are none, which never replace a sample.
    float max = -std::numeric_limits<float>::infinity();
    float min = std::numeric_limits<float>::infinity();
};

// The moments of n floats: extremes in order, mean and M2 in two passes in double.
Moments MomentsOf(const float* s, std::int64_t n);

// `later`, the run just after, added to `run`.
void Combine(Moments& run, const Moments& later);
