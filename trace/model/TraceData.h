#pragma once
// CTraceData: the trace itself, as a reader produces it: curves, samples, ranges, step and
// header text. A reader fills a fresh one; the document takes it over only when the read
// succeeded, so a failed open leaves the open trace alone.

#include <cstdint>
#include <string>
#include <vector>

#include "trace/model/CurveSamples.h"

struct CTraceData {
    static constexpr int MAX_CURVES = 8;

    // Empty: no curves, no samples, step 1 "s".
    CTraceData() { m_strStepUnit = std::string(1, 's'); }

    int m_nCurveCount = 0;
    // The time between two samples, in m_strStepUnit: "ps", "ns", "us", "ms" or "s", any
    // other text counting as seconds (trace/TimeBase.h). Whole or not, positive or not, as the
    // file said.
    double m_dblStep = 1;
    std::string m_strStepUnit;
    CCurveSamples m_pSamples[MAX_CURVES];
    std::string m_strCurveName[MAX_CURVES];
    std::string m_strCurveUnit[MAX_CURVES];
    float m_fCurveBottom[MAX_CURVES] = {};
    float m_fCurveTop[MAX_CURVES] = {};
    int m_nSampleCount = 0;
    std::string m_strHeaderText;
    // The time of the first sample in the step's unit: a scope's trigger at 0 puts the samples
    // before it at negative times. 0 when the file gives none.
    double m_dblOrigin = 0;
    // What the read said about the trace, for its properties: where the step came from ("the
    // time column \"t\""; empty when the format fixes it), and every notice of the read.
    std::string m_strStepSource;
    std::vector<std::string> m_readNotices;

    // The time of sample i in the step's unit: the one rule every consumer uses.
    double SampleTime(std::int64_t i) const {
        return m_dblOrigin + static_cast<double>(i) * m_dblStep;
    }
    // How long n samples last, in the step's unit.
    double Span(std::int64_t n) const { return static_cast<double>(n) * m_dblStep; }
};
