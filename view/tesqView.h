#pragma once
// CtesqView: the one view of the trace, scrolling horizontally one column per bucket of
// m_nDecimation samples, following the document's update hints and zooming by halving and
// doubling the decimation.

#include <QTimer>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "framework/gui/ScrollView.h"
#include "framework/gui/ToolTip.h"
#include "view/rules/ViewGeometry.h"

class CtesqDoc;
class CCurveSamples;
class CDisplayColumns;

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
    // Zoom in while the decimation is 2 or more; Zoom out while it is below the Zoom out
    // command's largest (view/rules/Navigation.h).
    void OnUpdateZoomIn(CCmdUI* pCmdUI) const;
    // Edit > Copy: the selected samples of the shown curves onto the clipboard, as
    // tab-separated text with a header line.
    void OnEditCopy();
    void OnUpdateZoomOut(CCmdUI* pCmdUI) const;
    // The whole trace at the smallest decimation that fits, filling the window from column 0; the
    // selection the same way, centred.
    void OnZoomToFit();
    void OnZoomToSelection();

    // The mouse and keyboard, as the window's events deliver them (client coordinates).
    void OnMouseMove(QPoint client, QPoint global);
    void OnLButtonDown(QPoint client);
    void OnRButtonDown(QPoint client);
    void OnMouseWheel(int delta);
    // Ctrl+wheel: one step in or out (half or twice the decimation), the column under the
    // pointer staying put.
    void OnCtrlWheel(int delta, int x);
    void OnLButtonUp(QPoint client);
    // A typed character: Enter runs the line, Backspace and Escape edit it, printable
    // characters are appended.
    void OnChar(char32_t ch);
    void FindNextMarker();
    void FindPrevMarker();

    // Where the status line goes: the main window's free status pane.
    std::function<void(const QString&)> m_setStatusText;

    // The sample of the previous selecting click, shared by every view; it belongs to the
    // trace it was made in, so opening another trace or New puts it back to 0.
    static int s_nSelAnchor;

    // Shows `doc` in a client area of exactly width x height, without putting the window on
    // a screen: for pictures and measurements of the real view.
    void AttachOffscreen(CtesqDoc* doc, int width, int height);

    COLORREF m_crCurve[8];
    CToolTipCtrl m_toolTip;    // the pointer read-out
    std::string m_strCommand;  // typed into the view, echoed while it is not empty
    int m_bSeekNegative = 0;

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The scroll range and steps follow the window's width.
    void resizeEvent(QResizeEvent* event) override;
    // The pointer's read-out holds only while it is over the plot.
    void leaveEvent(QEvent* event) override;

private:
    view_geometry::Bands ClientBands() const;
    void SetSizesFromDocument();
    void RepaintCommandStrip();
    // Moves the view with "goto" to what a marker search finds from the left edge.
    using MarkerSearch = std::optional<unsigned> (*)(const CCurveSamples&, int, int, bool,
                                                     const CDisplayColumns*);
    void GoToMarker(MarkerSearch search);
    // Sets the decimation (rebuilding the display copies even when it stays the same) and
    // keeps the column at the window's centre in place.
    void ApplyZoom(int nDecimation);
    // Sets the decimation (rebuilding the display copies once), then the position, which may
    // depend on the new column count.
    void ZoomTo(int nDecimation, int position);
    void ZoomTo(int nDecimation, const std::function<int()>& position);
    // While dragging: the selection from the press to client x.
    void DragTo(int x);
    void AutoScroll();
    // The read-out and status line again for the pointer where it last was, after the view
    // moved under it (a zoom or a scroll by keys).
    void RefreshPointerTexts();

    // A press in the selection band, until release: a drag once it moves 3 pixels.
    bool m_bPressed = false;
    bool m_bDragging = false;
    int m_nPressX = 0;
    int m_nPressSample = 0;
    int m_nDragX = 0;
    // Beside the selection while it is dragged (interaction::DragLabel).
    std::string m_strDragLabel;
    QTimer m_autoScroll;  // steps the view while a drag is past the left or right edge
    std::optional<std::pair<QPoint, QPoint>> m_pointer;  // client and global, while over it

    // A once-a-second tick with no handler: it keeps the event loop waking, so idle-time
    // work (the command states, refreshed whenever the loop goes idle) runs at least that
    // often even while the user does nothing.
    QTimer m_timer;
};
