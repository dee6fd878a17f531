#include "trace/document/Document.h"

#include <algorithm>

#include "ids/CommandIds.h"

CtesqDoc::CtesqDoc() {
    // A document that has never been reset has step 0 and no unit.
    m_trace.m_dblStep = 0;
    m_trace.m_strStepUnit.clear();
    AddCommand(
        ID_FILE_SAVE, [this] { OnFileSave(); }, Touches::document);
    AddUpdate(ID_FILE_SAVE, [this](CCmdUI* ui) { OnUpdateFileSave(ui); });
    AddCommand(
        ID_FILE_SAVE_AS, [this] { OnFileSaveAs(); }, Touches::document);
    AddCommand(
        ID_EDIT_CUT, [this] { OnEditCutPaste(); }, Touches::document);
    AddCommand(ID_EDIT_COPY, [this] { OnEditCopy(); });
    AddCommand(
        ID_EDIT_PASTE, [this] { OnEditCutPaste(); }, Touches::document);
    AddUpdate(ID_EDIT_PASTE, [this](CCmdUI* ui) { OnUpdateEditPaste(ui); });
    AddUpdate(ID_EDIT_CUT, [this](CCmdUI* ui) { OnUpdateEditCutCopy(ui); });
    AddUpdate(ID_EDIT_COPY, [this](CCmdUI* ui) { OnUpdateEditCutCopy(ui); });
}

// The arrays and texts release themselves; nothing else is owned.
CtesqDoc::~CtesqDoc() = default;

void CtesqDoc::ResetTrace() {
    TakeTrace(CTraceData());
}

int CtesqDoc::AddSampleReader(std::function<void()> stopAndWait) {
    m_readers.emplace_back(++m_nNextReader, std::move(stopAndWait));
    return m_nNextReader;
}

void CtesqDoc::RemoveSampleReader(int id) {
    std::erase_if(m_readers, [id](const auto& r) { return r.first == id; });
}

void CtesqDoc::StopSampleReaders() {
    for (const auto& [id, stop] : m_readers) stop();
}

void CtesqDoc::TakeTrace(CTraceData&& trace) {
    StopSampleReaders();
    m_trace = std::move(trace);
    m_view = CTraceViewState();
    NoteDataChanged();
}

void CtesqDoc::SetDecimation(int nDecimation) {
    m_view.m_nDecimation = std::max(nDecimation, 1);
    BuildDisplayCopies();
}

void CtesqDoc::Select(int nStart, int nEnd) {
    m_view.m_nSelStart = nStart;
    m_view.m_nSelEnd = nEnd;
}

void CtesqDoc::SetCurveHidden(int nCurve, bool bHidden) {
    if (nCurve >= 0 && nCurve < MAX_CURVES) m_view.m_bCurveHidden[nCurve] = bHidden ? 1 : 0;
}

void CtesqDoc::SetCurveRange(int nCurve, float fBottom, float fTop) {
    if (nCurve < 0 || nCurve >= MAX_CURVES) return;
    m_trace.m_fCurveBottom[nCurve] = fBottom;
    m_trace.m_fCurveTop[nCurve] = fTop;
}
