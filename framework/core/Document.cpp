#include "framework/core/Document.h"

#include <algorithm>

#include "framework/core/File.h"
#include "framework/core/Prompts.h"

CDocument::~CDocument() = default;

bool CDocument::OnNewDocument() {
    m_strPathName.clear();
    SetModifiedFlag(false);
    return true;
}

bool CDocument::CanOpen(const std::string& path) {
    CFile file;
    CFileException error(CFileException::none, 0, path);
    if (file.Open(path, CFile::modeRead, &error)) return true;
    error.ReportError();
    return false;
}

bool CDocument::OnOpenDocument(const std::string& path) {
    if (!CanOpen(path)) return false;
    Serialize();
    SetModifiedFlag(false);
    return true;
}

bool CDocument::SaveModified() {
    if (!IsModified()) return true;
    switch (AfxAskSaveChanges(m_strTitle)) {
        case IDYES:
            return DoFileSave();
        case IDNO:
            return true;
        default:
            return false;
    }
}

bool CDocument::DoFileSave() {
    return m_strPathName.empty() ? DoSaveAs() : OnSaveDocument(m_strPathName);
}

void CDocument::SetPathName(const std::string& path) {
    m_strPathName = path;
    const auto slash = path.find_last_of('/');
    SetTitle(slash == std::string::npos ? path : path.substr(slash + 1));
}

void CDocument::SetTitle(const std::string& title) {
    m_strTitle = title;
    if (m_onTitleChanged) m_onTitleChanged();
}

void CDocument::AddView(CView* pView) {
    if (std::find(m_views.begin(), m_views.end(), pView) == m_views.end()) m_views.push_back(pView);
}

void CDocument::RemoveView(CView* pView) {
    std::erase(m_views, pView);
}

void CDocument::UpdateAllViews(CView* pSender, long lHint, void* pHint) {
    // A copy, so that a view may unregister itself while being updated.
    const std::vector<CView*> views = m_views;
    for (CView* pView : views)
        if (pView != pSender) pView->OnUpdate(pSender, lHint, pHint);
}
