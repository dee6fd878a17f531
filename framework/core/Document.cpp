#include "Document.h"

#include <algorithm>

CDocument::~CDocument() = default;

void CDocument::SetPathName(const std::string& path) {
    m_strPathName = path;
    const auto slash = path.find_last_of('/');
    m_strTitle = slash == std::string::npos ? path : path.substr(slash + 1);
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
