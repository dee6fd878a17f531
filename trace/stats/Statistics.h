#pragma once
// What a range of samples holds, per curve: extremes, mean, RMS, standard deviation
// (population), the first and last value, computed block by block from the samples with NaN
// samples skipped and counted.

#include <cstdint>
#include <vector>

class CCurveSamples;
struct CTraceData;

struct CurveStats {
    std::int64_t count = 0;  // samples that are not NaN
    std::int64_t nan = 0;
    double min = 0, max = 0;  // NaN when count is 0
    double mean = 0, rms = 0, std = 0;
    double first = 0, last = 0;  // the range's first and last sample, NaN included
};

// The statistics of n samples (n >= 1). Sums run in double about the first sample that is not
// NaN, so a large offset costs no precision in the deviation.
CurveStats ComputeCurveStats(const float* samples, std::int64_t n);
// The same over samples first .. first+n-1 of a curve however they are held, bit for bit.
CurveStats ComputeCurveStats(const CCurveSamples& samples, std::int64_t first, std::int64_t n);

struct SelectionStats {
    int start = 0, end = 0;          // the half-open sample range
    std::vector<CurveStats> curves;  // one per curve of the trace; a curve without samples
                                     // has count 0
};

// The statistics of start .. end (clamped to the trace) for every curve.
SelectionStats ComputeSelectionStats(const CTraceData& trace, int start, int end);
