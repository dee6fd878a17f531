#pragma once
// CtesqView: the one view of the trace, scrolling horizontally one column per bucket of
// m_nDecimation samples, following the document's update hints and zooming by powers of two.

#include <QTimer>
#include <string>

#include "ScrollView.h"
#include "ToolTip.h"

class CtesqDoc;

class CtesqView : public CScrollView {
public:
    explicit CtesqView(QWidget* parent = nullptr);

    CtesqDoc* GetDocument() const;

    // Scroll sizes and column 0; the tool-tip and the idle timer, once for the view's life.
    void OnInitialUpdate();
    // Hints 0 (reset), 1 (centre the selection) and 1000 (go to the sample the object points
    // to); any other hint does nothing at all.
    void OnUpdate(CView* pSender, long lHint, void* pHint) override;
    void OnDraw(CDC* pDC) override;

    void OnZoomIn();
    void OnZoomOut();

    // Shows `doc` in a client area of exactly width x height, without putting the window on
    // a screen: for pictures and measurements of the real view.
    void AttachOffscreen(CtesqDoc* doc, int width, int height);

    COLORREF m_crCurve[8];
    CToolTipCtrl m_toolTip;    // the pointer read-out
    std::string m_strCommand;  // typed into the view, echoed while it is not empty
    int m_bSeekNegative = 0;

private:
    void SetSizesFromDocument();
    // Keeps the column at the window's centre in place across a change of decimation.
    void ApplyZoom();

    // Ticks that nothing acts on, as the original view had.
    QTimer m_timer;
};
