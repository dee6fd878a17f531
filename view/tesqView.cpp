#include "tesqView.h"

#include "TraceDraw.h"
#include "ViewGeometry.h"
#include "tesqDoc.h"

using namespace view_geometry;

CtesqView::CtesqView(QWidget* parent)
    : CScrollView(parent), m_crCurve{RGB(255, 0, 0),     RGB(0, 255, 0),   RGB(0, 0, 255),
                                     RGB(80, 0, 0),      RGB(0, 80, 0),    RGB(0, 0, 80),
                                     RGB(100, 149, 237), RGB(255, 127, 80)} {
    AddCommand(ID_ZOOM_IN, [this] { OnZoomIn(); });
    AddCommand(ID_ZOOM_OUT, [this] { OnZoomOut(); });
    AddCommand(ID_FILE_PRINT, [this] { OnFilePrint(); });
    AddCommand(ID_FILE_PRINT_PREVIEW, [this] { OnFilePrintPreview(); });
}

void CtesqView::AttachOffscreen(CtesqDoc* doc, int width, int height) {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    resize(width, height);
    setAttribute(Qt::WA_DontShowOnScreen);
    show();
    SetDocument(doc);
    doc->AddView(this);
}

CtesqDoc* CtesqView::GetDocument() const {
    return static_cast<CtesqDoc*>(CScrollView::GetDocument());
}

void CtesqView::OnInitialUpdate() {
    OnUpdate(nullptr, HINT_RESET, nullptr);
    if (!m_toolTip.IsCreated()) {
        m_toolTip.Create(viewport());
        m_toolTip.AddTool("HELLO");
    }
    if (!m_timer.isActive()) m_timer.start(1000);
}

void CtesqView::SetSizesFromDocument() {
    const int width = GetClientRect().Width();
    const ScrollSizes sizes = ScrollSizesFor(GetDocument()->m_nDisplayLength / 4, width);
    SetScrollSizes(sizes.total, sizes.page, sizes.line);
}

void CtesqView::OnUpdate(CView*, long lHint, void* pHint) {
    CtesqDoc* doc = GetDocument();
    if (doc == nullptr) return;
    int position;
    switch (lHint) {
        case HINT_RESET:
            SetSizesFromDocument();
            position = 0;
            break;
        case HINT_SHOW_SELECTION:
            SetSizesFromDocument();
            position = SelectionCentrePosition(doc->m_nSelStart, doc->m_nSelEnd, doc->m_nDecimation,
                                               GetClientRect().Width());
            break;
        case HINT_GOTO:
            if (pHint == nullptr) return;
            position = GotoPosition(GetScrollRangeEnd(), *static_cast<const int*>(pHint),
                                    doc->m_nSampleCount);
            break;
        default:
            return;
    }
    SetScrollPos(position);
    viewport()->update();
}

void CtesqView::OnDraw(CDC* pDC) {
    const CtesqDoc* doc = GetDocument();
    if (doc == nullptr) return;
    DrawTrace(*pDC, *doc, {GetClientRect(), m_crCurve, m_strCommand});
}

void CtesqView::OnZoomIn() {
    CtesqDoc* doc = GetDocument();
    if (doc == nullptr) return;
    doc->m_nDecimation = std::max(doc->m_nDecimation / 2, 1);
    ApplyZoom();
}

void CtesqView::OnZoomOut() {
    CtesqDoc* doc = GetDocument();
    if (doc == nullptr) return;
    if (2LL * doc->m_nDecimation <= doc->m_nSampleCount) doc->m_nDecimation *= 2;
    ApplyZoom();
}

void CtesqView::ApplyZoom() {
    CtesqDoc* doc = GetDocument();
    if (doc == nullptr) return;
    const int width = GetClientRect().Width();
    const int position = GetScrollPosition();
    const int rangeEnd = GetScrollRangeEnd();
    doc->BuildDisplayCopies();
    SetSizesFromDocument();
    SetScrollPos(ZoomedPosition(width, position, rangeEnd, doc->m_nDisplayLength / 4));
    viewport()->repaint();
}
