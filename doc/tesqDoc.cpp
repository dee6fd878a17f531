#include "tesqDoc.h"

CtesqDoc::CtesqDoc() {
    AddCommand(ID_FILE_SAVE, [this] { OnFileSave(); });
    AddUpdate(ID_FILE_SAVE, [this](CCmdUI* ui) { OnUpdateFileSave(ui); });
    AddCommand(ID_FILE_SAVE_AS, [this] { OnFileSaveAs(); });
    AddUpdate(ID_ZOOM_IN, [this](CCmdUI* ui) { OnUpdateZoomIn(ui); });
    AddUpdate(ID_ZOOM_OUT, [this](CCmdUI* ui) { OnUpdateZoomOut(ui); });
    AddCommand(ID_EDIT_CUT, [this] { OnEditCutPaste(); });
    AddCommand(ID_EDIT_COPY, [this] { OnEditCopy(); });
    AddCommand(ID_EDIT_PASTE, [this] { OnEditCutPaste(); });
    AddUpdate(ID_EDIT_PASTE, [this](CCmdUI* ui) { OnUpdateEditPaste(ui); });
    AddUpdate(ID_EDIT_CUT, [this](CCmdUI* ui) { OnUpdateEditCutCopy(ui); });
    AddUpdate(ID_EDIT_COPY, [this](CCmdUI* ui) { OnUpdateEditCutCopy(ui); });
}

// The arrays and texts release themselves; nothing else is owned.
CtesqDoc::~CtesqDoc() = default;

void CtesqDoc::ResetTrace() {
    m_nDecimation = 1;
    m_nSampleCount = 0;
    m_nDisplayLength = 0;
    m_nSelStart = m_nSelEnd = 0;
    m_nClipCount = 0;
    m_nLineNo = 0;
    m_nParseState = 0;
    m_nCurveCount = 0;
    m_nStep = 1;
    m_strStepUnit = std::string(1, 's');  // not = "s": GCC 12 warns falsely (-Wrestrict)
    m_strHeaderText.clear();
    for (int i = 0; i < MAX_CURVES; ++i) {
        m_pDisplay[i].reset();
        m_pSamples[i].reset();
        m_strCurveName[i].clear();
        m_strCurveUnit[i].clear();
        m_fCurveBottom[i] = 0.0f;
        m_fCurveTop[i] = 0.0f;
        m_bCurveHidden[i] = 0;
    }
}
