#pragma once
// CTraceViewState: what the views share about the one trace: the zoom, the display columns
// at that zoom and the statistics index beside them, the selection and the hidden curves. The
// document keeps it private and changes it only through its named steps (SetDecimation, Select,
// SetCurveHidden, ...).

#include <cstdint>

#include "trace/display/DisplayColumns.h"
#include "trace/model/TraceData.h"
#include "trace/stats/StatsIndex.h"

struct CTraceViewState {
    CDisplayColumns m_pDisplay[CTraceData::MAX_CURVES];  // entries first, max, min, first
    CStatsIndex m_stats[CTraceData::MAX_CURVES];         // what a range's statistics need
    // 4 x the column count: 64 bits, since a trace may have up to 2147483647 samples.
    std::int64_t m_nDisplayLength = 0;
    int m_nDecimation = 1;
    int m_nSelStart = 0;
    int m_nSelEnd = 0;  // half-open selection m_nSelStart .. m_nSelEnd
    int m_nClipCount = 0;
    int m_bCurveHidden[CTraceData::MAX_CURVES] = {};
};
