#pragma once
// CTraceData: the trace itself, as a reader produces it: curves, samples, ranges, step and
// header text. A reader fills a fresh one; the document takes it over only when the read
// succeeded, so a failed open leaves the open trace alone.

#include <string>

#include "trace/FloatArray.h"

struct CTraceData {
    static constexpr int MAX_CURVES = 8;

    // Empty: no curves, no samples, step 1 "s".
    CTraceData() { m_strStepUnit = std::string(1, 's'); }

    int m_nCurveCount = 0;
    int m_nStep = 1;
    std::string m_strStepUnit;  // "us" means microseconds, anything else seconds
    CFloatArray m_pSamples[MAX_CURVES];
    std::string m_strCurveName[MAX_CURVES];
    std::string m_strCurveUnit[MAX_CURVES];
    float m_fCurveBottom[MAX_CURVES] = {};
    float m_fCurveTop[MAX_CURVES] = {};
    int m_nSampleCount = 0;
    std::string m_strHeaderText;
};
