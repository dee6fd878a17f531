#pragma once
// What a range of samples holds, per curve: extremes, mean, RMS, standard deviation
// (population), the first and last value, with NaN samples skipped and counted. Made from
// the moments of blocks of 4096 samples (trace/stats/StatsIndex.h), from a curve's index
// where it has one, else from its samples the same way.

#include <cstdint>
#include <functional>
#include <vector>

#include "trace/model/Moments.h"

class CCurveSamples;
class CStatsIndex;
struct CTraceData;

struct CurveStats {
    std::int64_t count = 0;  // samples that are not NaN
    std::int64_t nan = 0;
    double min = 0, max = 0;  // NaN when count is 0
    double mean = 0, rms = 0, std = 0;
    double first = 0, last = 0;  // the range's first and last sample, NaN included
};

// The statistics of moments, and of the first and last sample they were made of. An infinite
// sample makes the mean infinite (NaN with both signs), the deviation NaN, the RMS infinite.
CurveStats StatsOf(const Moments& m, float first, float last);

// The statistics of n samples (n >= 1).
CurveStats ComputeCurveStats(const float* samples, std::int64_t n);
// The same over samples first .. first+n-1 of a curve however they are held; with the
// curve's index when it is over these samples.
// progress(n): as MomentsOfRange tells it; it may throw to stop.
CurveStats ComputeCurveStats(const CCurveSamples& samples, std::int64_t first, std::int64_t n,
                             const CStatsIndex* index = nullptr,
                             const std::function<void(std::int64_t)>& progress = {});

struct SelectionStats {
    int start = 0, end = 0;          // the half-open sample range
    std::vector<CurveStats> curves;  // one per curve of the trace; a curve without samples
                                     // has count 0
};

// The statistics of start .. end (clamped to the trace) for every curve; indexes: one per
// curve, or null.
SelectionStats ComputeSelectionStats(const CTraceData& trace, int start, int end,
                                     const CStatsIndex* indexes = nullptr,
                                     const std::function<void(std::int64_t)>& progress = {});
