#include "trace/stats/Statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "trace/model/TraceData.h"
#include "trace/stats/StatsIndex.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

CurveStats StatsOf(const Moments& m, float first, float last) {
    CurveStats r;
    r.first = first;
    r.last = last;
    r.nan = m.nan;
    r.count = m.count + m.posInf + m.negInf;
    if (r.count == 0) {
        r.min = r.max = r.mean = r.rms = r.std = kNaN;
        return r;
    }
    r.min = m.min;
    r.max = m.max;
    const double inf = std::numeric_limits<double>::infinity();
    if (m.posInf > 0 || m.negInf > 0) {
        r.mean = m.posInf > 0 && m.negInf > 0 ? kNaN : m.posInf > 0 ? inf : -inf;
        r.std = kNaN;
        r.rms = inf;
        return r;
    }
    const double variance = std::max(0.0, m.m2 / static_cast<double>(m.count));
    r.mean = m.mean;
    r.std = std::sqrt(variance);
    r.rms = std::sqrt(m.mean * m.mean + variance);
    return r;
}

CurveStats ComputeCurveStats(const float* s, std::int64_t n) {
    // A curve over the caller's floats, for the one rule of blocks and their combining.
    CFloatArray copy = CFloatArray::Allocate(static_cast<std::size_t>(n), false);
    std::copy(s, s + n, copy.get());
    return ComputeCurveStats(CCurveSamples(std::move(copy)), 0, n);
}

CurveStats ComputeCurveStats(const CCurveSamples& samples, std::int64_t first, std::int64_t n,
                             const CStatsIndex* index,
                             const std::function<void(std::int64_t)>& progress) {
    const auto count = static_cast<std::int64_t>(samples.size());
    // An index whose blocks over the range are mostly stale is no faster than the samples,
    // which are read on two threads, with progress.
    const bool indexed = index != nullptr && index->IsOver(samples, count) &&
                         index->StaleSamples(first, n) <= CStatsIndex::kMostRebuilt;
    const Moments m = indexed ? index->Range(samples, first, n)
                              : MomentsOfRange(samples, first, n, count, progress);
    return StatsOf(m, samples[static_cast<std::size_t>(first)],
                   samples[static_cast<std::size_t>(first + n - 1)]);
}

SelectionStats ComputeSelectionStats(const CTraceData& trace, int start, int end,
                                     const CStatsIndex* indexes,
                                     const std::function<void(std::int64_t)>& progress) {
    SelectionStats stats;
    stats.start = std::clamp(std::min(start, end), 0, trace.m_nSampleCount);
    stats.end = std::clamp(std::max(start, end), 0, trace.m_nSampleCount);
    for (int i = 0; i < trace.m_nCurveCount; ++i) {
        CurveStats c;
        c.min = c.max = c.mean = c.rms = c.std = c.first = c.last = kNaN;
        if (trace.m_pSamples[i] && stats.end > stats.start)
            c = ComputeCurveStats(trace.m_pSamples[i], stats.start, stats.end - stats.start,
                                  indexes != nullptr ? &indexes[i] : nullptr, progress);
        stats.curves.push_back(c);
    }
    return stats;
}
