// The document's display columns: one CDisplayColumns per curve, built when the samples are
// new and only told the decimation on a zoom step.

#include <cstdint>
#include <utility>

#include "framework/core/MessageSink.h"
#include "trace/document/Document.h"

void CtesqDoc::BuildDisplayCopies(const std::function<void(std::int64_t)>& progress) {
    for (int i = 0; i < MAX_CURVES; ++i) {
        const CCurveSamples& samples = m_trace.m_pSamples[i];
        if (!samples) return;
        if (!BuildDisplayCopy(samples, m_view.m_pDisplay[i], progress)) {
            m_view.m_nDisplayLength = 0;
            return;
        }
        // The statistics index with them, where it is not over these samples yet (columns
        // built elsewhere bring theirs); without one the statistics make the same blocks on
        // the way.
        const std::int64_t count = m_trace.m_nSampleCount;
        if (count > 0 && !m_view.m_pDisplay[i].Pending() &&
            !m_view.m_stats[i].IsOver(samples, count)) {
            StopSampleReaders();
            m_view.m_stats[i].Build(samples, count, progress);
        }
    }
}

bool CtesqDoc::BuildDisplayCopy(const CCurveSamples& source, CDisplayColumns& slot,
                                const std::function<void(std::int64_t)>& progress) {
    if (m_trace.m_nSampleCount <= 0) return true;
    if (!source) return false;
    const std::int64_t count = m_trace.m_nSampleCount;
    if (slot.IsOver(source, count)) {
        slot.Attach(source);
    } else if (!slot.Build(source, count, progress)) {
        AfxMessageBox("deefery alloc failure!");
        return false;
    }
    slot.SetDecimation(m_view.m_nDecimation);
    m_view.m_nDisplayLength = 4 * slot.Columns();
    return true;
}

void CtesqDoc::NoteRescaled(int nCurve, int nFirst, int nEnd, double k, double b) {
    NoteDataChanged();
    if (nCurve < 0 || nCurve >= MAX_CURVES) return;
    const CCurveSamples& samples = m_trace.m_pSamples[nCurve];
    if (m_view.m_pDisplay[nCurve].IsOver(samples, m_trace.m_nSampleCount))
        m_view.m_pDisplay[nCurve].Rescale(nFirst, nEnd, k, b);
    if (m_view.m_stats[nCurve].IsOver(samples, m_trace.m_nSampleCount))
        m_view.m_stats[nCurve].Rebuild(samples, nFirst, nEnd);
}

void CtesqDoc::AdoptTrace(CtesqDoc& from) {
    StopSampleReaders();
    TakeTrace(std::move(from.m_trace));
    m_nOscFormat = from.m_nOscFormat;
    m_diskStamp = from.m_diskStamp;
    // Display columns the reading thread built come along with the samples they were built
    // over; only the decimation is left to set here.
    for (int i = 0; i < MAX_CURVES; ++i) {
        m_view.m_pDisplay[i] = std::move(from.m_view.m_pDisplay[i]);
        m_view.m_stats[i] = std::move(from.m_view.m_stats[i]);
    }
    BuildDisplayCopies();
}

void CtesqDoc::PrepareDisplayColumns() {
    for (int i = 0; i < MAX_CURVES && m_trace.m_pSamples[i]; ++i)
        m_view.m_pDisplay[i].Prepare(m_trace.m_pSamples[i], m_trace.m_nSampleCount);
    BuildDisplayCopies();
}

void CtesqDoc::BuildPendingColumns() {
    for (int i = 0; i < MAX_CURVES && m_trace.m_pSamples[i]; ++i)
        if (m_view.m_pDisplay[i].Pending()) {
            m_view.m_pDisplay[i].reset();
            if (!BuildDisplayCopy(m_trace.m_pSamples[i], m_view.m_pDisplay[i])) return;
        }
}

void CtesqDoc::TakeBuiltColumns(CDisplayColumns (&built)[MAX_CURVES],
                                CStatsIndex (&stats)[MAX_CURVES]) {
    StopSampleReaders();
    for (int i = 0; i < MAX_CURVES; ++i)
        if (stats[i].IsOver(m_trace.m_pSamples[i], m_trace.m_nSampleCount))
            m_view.m_stats[i] = std::move(stats[i]);
    for (int i = 0; i < MAX_CURVES; ++i)
        if (m_view.m_pDisplay[i].Pending() && !m_view.m_pDisplay[i].TakePyramid(built[i]))
            m_view.m_pDisplay[i].reset();  // built over other samples: built here instead
    BuildDisplayCopies();
}

void CtesqDoc::SwapContents(CtesqDoc& other) {
    StopSampleReaders();
    other.StopSampleReaders();
    std::swap(m_trace, other.m_trace);
    std::swap(m_view, other.m_view);
    std::swap(m_nOscFormat, other.m_nOscFormat);
    std::swap(m_curvesToRead, other.m_curvesToRead);
    std::swap(m_diskStamp, other.m_diskStamp);
    const std::string path = GetPathName(), title = GetTitle();
    const bool modified = IsModified();
    SetPathName(other.GetPathName());
    SetTitle(other.GetTitle());
    SetModifiedFlag(other.IsModified());
    other.SetPathName(path);
    other.SetTitle(title);
    other.SetModifiedFlag(modified);
    // The columns follow their samples by identity; the data each sees has changed. Nothing
    // is built here: a failure would be shown in the middle of a change of trace.
    for (CtesqDoc* doc : {this, &other}) {
        doc->NoteDataChanged();
        for (int i = 0; i < MAX_CURVES; ++i)
            if (doc->m_view.m_pDisplay[i].IsOver(doc->m_trace.m_pSamples[i],
                                                 doc->m_trace.m_nSampleCount))
                doc->m_view.m_pDisplay[i].Attach(doc->m_trace.m_pSamples[i]);
    }
}
