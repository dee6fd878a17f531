#pragma once
// The smallest and largest of a run of samples under the in-order rule: starting from the
// first sample, a sample replaces the minimum only when it is less than it, the maximum only
// when it is greater. So a NaN never enters, a NaN first sample stays, and among equal values
// (+0 and -0) the first one stays.

#include <cstdint>

// n >= 1.
void MinMaxInOrder(const float* s, std::int64_t n, float& mn, float& mx);

// A curve's smallest and largest sample, as the range completion, `tesqv-cli info` and the
// curve dialog show them: the in-order rule started at the first sample that is not NaN, so
// NaN samples take no part unless every sample is NaN (then both are NaN). n >= 1.
void CurveExtremes(const float* s, std::int64_t n, float& mn, float& mx);
