// The document's display columns: one CDisplayColumns per curve, built when the samples are
// new and only told the decimation on a zoom step.

#include <cstdint>

#include "framework/core/MessageSink.h"
#include "trace/Document.h"

void CtesqDoc::BuildDisplayCopies(const std::function<void(std::int64_t)>& progress) {
    for (int i = 0; i < MAX_CURVES; ++i) {
        if (!m_pSamples[i]) return;
        if (!BuildDisplayCopy(m_pSamples[i], m_pDisplay[i], progress)) {
            m_nDisplayLength = 0;
            return;
        }
    }
}

bool CtesqDoc::BuildDisplayCopy(const CCurveSamples& source, CDisplayColumns& slot,
                                const std::function<void(std::int64_t)>& progress) {
    if (m_nSampleCount <= 0) return true;
    if (!source) return false;
    const std::int64_t count = m_nSampleCount;
    if (slot.IsOver(source, count)) {
        slot.Attach(source);
    } else if (!slot.Build(source, count, progress)) {
        AfxMessageBox("deefery alloc failure!");
        return false;
    }
    slot.SetDecimation(m_nDecimation);
    m_nDisplayLength = 4 * slot.Columns();
    return true;
}

void CtesqDoc::NoteDataChanged(int nCurve, int nFirst, int nEnd) {
    NoteDataChanged();
    if (nCurve >= 0 && nCurve < MAX_CURVES &&
        m_pDisplay[nCurve].IsOver(m_pSamples[nCurve], m_nSampleCount))
        m_pDisplay[nCurve].Rebuild(nFirst, nEnd);
}

void CtesqDoc::AdoptTrace(CtesqDoc& from) {
    TakeTrace(std::move(static_cast<CTraceData&>(from)));
    m_nOscFormat = from.m_nOscFormat;
    m_diskStamp = from.m_diskStamp;
    // Display columns the reading thread built come along with the samples they were built
    // over; only the decimation is left to set here.
    for (int i = 0; i < MAX_CURVES; ++i) m_pDisplay[i] = std::move(from.m_pDisplay[i]);
    BuildDisplayCopies();
}
