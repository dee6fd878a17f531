// The time of a sample as the time grid and the read-out show it.

#include "trace/document/Document.h"
#include "trace/model/TimeBase.h"

std::string CtesqDoc::FormatTimeLabel(std::int64_t nSample, std::int64_t nSpacing) const {
    return timebase::Label(m_trace.SampleTime(nSample), m_trace.Span(nSpacing),
                           m_trace.m_strStepUnit);
}
