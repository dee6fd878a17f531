#include "view/tesqView.h"

#include <fmt/format.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include "dialogs/DlgCurvePara.h"
#include "framework/core/LongWork.h"
#include "framework/core/NumberText.h"
#include "framework/gui/QtText.h"
#include "ids/CommandIds.h"
#include "trace/document/Document.h"
#include "trace/model/Extremes.h"
#include "view/rules/Interaction.h"
#include "view/rules/Navigation.h"
#include "view/rules/TraceDraw.h"
#include "view/rules/ViewGeometry.h"

using namespace view_geometry;

int CtesqView::s_nSelAnchor = 0;

CtesqView::CtesqView(QWidget* parent)
    : CScrollView(parent), m_crCurve{RGB(255, 0, 0),     RGB(0, 255, 0),   RGB(0, 0, 255),
                                     RGB(80, 0, 0),      RGB(0, 80, 0),    RGB(0, 0, 80),
                                     RGB(100, 149, 237), RGB(255, 127, 80)} {
    AddCommand(
        ID_ZOOM_IN, [this] { OnZoomIn(); }, Touches::document);
    AddUpdate(ID_ZOOM_IN, [this](CCmdUI* ui) { OnUpdateZoomIn(ui); });
    AddCommand(
        ID_ZOOM_OUT, [this] { OnZoomOut(); }, Touches::document);
    AddUpdate(ID_ZOOM_OUT, [this](CCmdUI* ui) { OnUpdateZoomOut(ui); });
    AddCommand(
        ID_ZOOM_FIT, [this] { OnZoomToFit(); }, Touches::document);
    AddCommand(ID_EDIT_COPY, [this] { OnEditCopy(); });
    AddUpdate(ID_ZOOM_FIT, [this](CCmdUI* ui) {
        ui->Enable(GetDocument() != nullptr && GetDocument()->Trace().m_nSampleCount > 0);
    });
    AddCommand(
        ID_ZOOM_SELECTION, [this] { OnZoomToSelection(); }, Touches::document);
    AddUpdate(ID_ZOOM_SELECTION, [this](CCmdUI* ui) {
        ui->Enable(GetDocument() != nullptr &&
                   GetDocument()->SelStart() != GetDocument()->SelEnd());
    });
    QObject::connect(horizontalScrollBar(), &QScrollBar::valueChanged, this,
                     [this] { RefreshPointerTexts(); });
    m_autoScroll.setInterval(50);
    QObject::connect(&m_autoScroll, &QTimer::timeout, this, [this] { AutoScroll(); });
    AddCommand(ID_FILE_PRINT, [this] { OnFilePrint(); });
    AddCommand(ID_FILE_PRINT_PREVIEW, [this] { OnFilePrintPreview(); });
    viewport()->setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
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

view_geometry::Bands CtesqView::ClientBands() const {
    const CRect rc = GetClientRect();
    return BandsOf(rc.top, rc.bottom);
}

void CtesqView::SetSizesFromDocument() {
    const int width = GetClientRect().Width();
    const ScrollSizes sizes = ScrollSizesFor(GetDocument()->DisplayColumns(), width);
    SetScrollSizes(sizes.total, sizes.page, sizes.line);
}

void CtesqView::resizeEvent(QResizeEvent* event) {
    CScrollView::resizeEvent(event);
    if (GetDocument() == nullptr) return;
    const int position = GetScrollPosition();
    SetSizesFromDocument();
    SetScrollPos(position);
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
            position = SelectionCentrePosition(doc->SelStart(), doc->SelEnd(), doc->Decimation(),
                                               GetClientRect().Width());
            break;
        case HINT_GOTO:
            if (pHint == nullptr) return;
            position = GotoPosition(GetScrollRangeEnd(), *static_cast<const int*>(pHint),
                                    doc->Trace().m_nSampleCount);
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
    if (m_bDragging && !m_strDragLabel.empty()) {
        // Right of the pointer at the plot's top, or left of it where the window ends first.
        const int width = static_cast<int>(m_strDragLabel.size()) * 7;
        const int x =
            m_nDragX + 12 + width < GetClientRect().Width() ? m_nDragX + 12 : m_nDragX - 12 - width;
        pDC->SetBkMode(OPAQUE);
        pDC->SetBkColor(RGB(255, 255, 225));
        pDC->SetTextColor(RGB(0, 0, 0));
        pDC->TextOut(std::max(x, 0), ClientBands().plotTop + 4, m_strDragLabel);
    }
}

void CtesqView::OnZoomIn() {
    CtesqDoc* doc = GetDocument();
    if (doc == nullptr) return;
    ApplyZoom(std::max(doc->Decimation() / 2, 1));
}

void CtesqView::OnZoomOut() {
    CtesqDoc* doc = GetDocument();
    if (doc == nullptr) return;
    ApplyZoom(navigation::ZoomOutStep(navigation::ZoomRoute::command, doc->Decimation(),
                                      doc->Trace().m_nSampleCount));
}

void CtesqView::OnEditCopy() {
    const CtesqDoc* doc = GetDocument();
    if (doc == nullptr || doc->IsBusy()) return;
    // The text of a long selection takes a while: made on a worker, and it may be cancelled.
    std::string text;
    bool made = false;
    const auto rows = static_cast<std::uint64_t>(std::abs(doc->SelEnd() - doc->SelStart()));
    if (AfxRunLongWork("Copying the selection", rows, true,
                       [&](const LongWorkStep& step) { made = doc->SelectionText(text, step); }) &&
        made)
        QApplication::clipboard()->setText(ToQString(text));
}

void CtesqView::OnUpdateZoomIn(CCmdUI* pCmdUI) const {
    const CtesqDoc* doc = GetDocument();
    pCmdUI->Enable(doc != nullptr && doc->Decimation() > 1);
}

void CtesqView::OnUpdateZoomOut(CCmdUI* pCmdUI) const {
    const CtesqDoc* doc = GetDocument();
    pCmdUI->Enable(doc != nullptr &&
                   navigation::CanZoomOut(navigation::ZoomRoute::command, doc->Decimation()));
}

void CtesqView::OnZoomToFit() {
    CtesqDoc* doc = GetDocument();
    if (doc == nullptr) return;
    ZoomTo(navigation::FitDecimation(doc->Trace().m_nSampleCount, GetClientRect().Width()), 0);
}

void CtesqView::OnZoomToSelection() {
    CtesqDoc* doc = GetDocument();
    if (doc == nullptr || doc->SelStart() == doc->SelEnd()) return;
    const navigation::ZoomTarget t =
        navigation::SelectionZoom(doc->SelStart(), doc->SelEnd(), GetClientRect().Width());
    ZoomTo(t.decimation, t.position);
}

void CtesqView::OnCtrlWheel(int delta, int x) {
    CtesqDoc* doc = GetDocument();
    if (doc == nullptr || delta == 0) return;
    const navigation::ZoomTarget t = navigation::PointerZoom(
        doc->Decimation(), GetScrollPosition(), x, delta > 0, doc->Trace().m_nSampleCount);
    if (t.decimation != doc->Decimation()) ZoomTo(t.decimation, t.position);
}

void CtesqView::ZoomTo(int nDecimation, int position) {
    ZoomTo(nDecimation, [position] { return position; });
}

void CtesqView::ApplyZoom(int nDecimation) {
    const int width = GetClientRect().Width();
    const int position = GetScrollPosition();
    const int rangeEnd = GetScrollRangeEnd();
    ZoomTo(nDecimation, [&] {
        return ZoomedPosition(width, position, rangeEnd, GetDocument()->DisplayColumns());
    });
}

void CtesqView::ZoomTo(int nDecimation, const std::function<int()>& position) {
    CtesqDoc* doc = GetDocument();
    if (doc == nullptr || doc->IsBusy()) return;  // a read is about to replace the trace
    doc->SetDecimation(nDecimation);
    SetSizesFromDocument();
    SetScrollPos(position());
    viewport()->repaint();
    RefreshPointerTexts();
}

void CtesqView::RefreshPointerTexts() {
    if (m_pointer) OnMouseMove(m_pointer->first, m_pointer->second);
}

void CtesqView::leaveEvent(QEvent* event) {
    m_pointer.reset();
    CScrollView::leaveEvent(event);
}

void CtesqView::OnMouseMove(QPoint client, QPoint global) {
    m_pointer = std::make_pair(client, global);
    const CtesqDoc* doc = GetDocument();
    if (doc == nullptr) return;
    const int column = client.x() + GetScrollPosition();
    if (m_setStatusText)
        m_setStatusText(ToQString(interaction::StatusLine(
            *doc, client.x(), column, GetScrollPosition(), GetScrollRangeEnd())));
    if (interaction::InPlotBand(client.y(), ClientBands())) {
        if (const auto text = interaction::ReadOut(*doc, column)) {
            m_toolTip.UpdateTipText(*text);
            m_toolTip.Activate(true, global);
        }
    } else {
        m_toolTip.Activate(false);
    }
}

void CtesqView::OnLButtonDown(QPoint client) {
    CtesqDoc* doc = GetDocument();
    if (doc == nullptr) return;
    const CRect rc = GetClientRect();
    if (interaction::InLegendBand(client.y(), ClientBands())) {
        const int k =
            interaction::LegendColumn(client.x(), rc.left, rc.Width(), doc->Trace().m_nCurveCount);
        if (k >= 0 && k <= 7) {
            doc->SetCurveHidden(k, !doc->IsCurveHidden(k));
            viewport()->repaint();
        }
    }
    if (interaction::InSelectionBand(client.y(), ClientBands())) {
        const interaction::ClickResult r =
            interaction::SelectByClick(client.x() + GetScrollPosition(), doc->Decimation(),
                                       doc->Trace().m_nSampleCount, s_nSelAnchor);
        doc->Select(r.selStart, r.selEnd);
        viewport()->repaint();
        s_nSelAnchor = r.anchor;
        // A press in the plot band may become a drag: it then selects from here.
        m_bPressed = interaction::InPlotBand(client.y(), ClientBands());
        m_bDragging = false;
        m_nPressX = client.x();
        m_nPressSample = r.anchor;
    }
}

void CtesqView::OnRButtonDown(QPoint client) {
    CtesqDoc* doc = GetDocument();
    if (doc == nullptr) return;
    const CRect rc = GetClientRect();
    if (!interaction::InLegendBand(client.y(), ClientBands())) return;
    const int k =
        interaction::LegendColumn(client.x(), rc.left, rc.Width(), doc->Trace().m_nCurveCount);
    if (k < 0 || k >= doc->Trace().m_nCurveCount) return;
    CDlgCurvePara dialog(this);
    dialog.m_dblTop = doc->Trace().m_fCurveTop[k];
    dialog.m_dblBottom = doc->Trace().m_fCurveBottom[k];
    // A curve without samples has no largest or smallest to offer.
    dialog.m_bHasExtremes = doc->Trace().m_pSamples[k] && doc->Trace().m_nSampleCount > 0;
    if (dialog.m_bHasExtremes) {
        float mn, mx;
        CurveExtremes(doc->Trace().m_pSamples[k], doc->Trace().m_nSampleCount, mn, mx);
        dialog.m_dblMin = mn;
        dialog.m_dblMax = mx;
    }
    if (dialog.DoModal() != CDlgCurvePara::IDOK) return;
    doc->SetCurveRange(k, numtext::NarrowToFloat(dialog.m_dblBottom),
                       numtext::NarrowToFloat(dialog.m_dblTop));
    viewport()->repaint();
}

void CtesqView::OnMouseWheel(int delta) {
    SetScrollPos(GetScrollPosition() + (delta / -120) * 100);
    viewport()->update();
}

void CtesqView::RepaintCommandStrip() {
    viewport()->repaint(0, 0, viewport()->width(), 30);
}

void CtesqView::OnChar(char32_t ch) {
    CtesqDoc* doc = GetDocument();
    if (doc == nullptr) return;
    if (ch == 13) {
        if (doc->ExecuteCommand(m_strCommand)) {
            doc->BuildDisplayCopies();
            viewport()->repaint();
        } else {
            RepaintCommandStrip();
        }
        return;
    }
    if (ch == 8) {
        // Remove the last character, not the last byte of its UTF-8 form.
        while (!m_strCommand.empty() &&
               (static_cast<unsigned char>(m_strCommand.back()) & 0xC0) == 0x80)
            m_strCommand.pop_back();
        if (!m_strCommand.empty()) m_strCommand.pop_back();
    } else if (ch == 27) {
        m_strCommand.clear();
    } else if (ch >= 32) {
        m_strCommand += QString::fromUcs4(&ch, 1).toStdString();
    }
    RepaintCommandStrip();
}

void CtesqView::FindNextMarker() {
    GoToMarker(interaction::FindNextMarker);
}

void CtesqView::FindPrevMarker() {
    GoToMarker(interaction::FindPrevMarker);
}

void CtesqView::GoToMarker(MarkerSearch search) {
    CtesqDoc* doc = GetDocument();
    if (doc == nullptr) return;
    const int edge = interaction::LeftEdgeSample(doc->Trace().m_nSampleCount, GetScrollPosition(),
                                                 GetScrollRangeEnd());
    const CCurveSamples& samples = doc->Trace().m_pSamples[0];
    const int count = doc->Trace().m_nSampleCount;
    const CDisplayColumns& columns = doc->Display(0);
    if (const auto target = search(samples, count, edge, m_bSeekNegative & 1,
                                   columns.IsOver(samples, count) ? &columns : nullptr))
        doc->ExecuteCommand(fmt::format("goto {}", *target));
}

void CtesqView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    // The drag first, so that the status line tells the selection as it now is.
    m_pointer = std::make_pair(at, event->globalPosition().toPoint());
    if (m_bPressed && (event->buttons() & Qt::LeftButton)) {
        if (!m_bDragging && std::abs(at.x() - m_nPressX) >= 3) m_bDragging = true;
        if (m_bDragging) DragTo(at.x());
    }
    OnMouseMove(at, event->globalPosition().toPoint());
    CScrollView::mouseMoveEvent(event);
}

void CtesqView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) OnLButtonDown(event->position().toPoint());
    if (event->button() == Qt::RightButton) OnRButtonDown(event->position().toPoint());
    CScrollView::mousePressEvent(event);
}

void CtesqView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) OnLButtonUp(event->position().toPoint());
    CScrollView::mouseReleaseEvent(event);
}

void CtesqView::OnLButtonUp(QPoint client) {
    const bool dragged = m_bDragging;
    if (dragged) DragTo(client.x());
    m_autoScroll.stop();
    m_bPressed = m_bDragging = false;
    if (dragged) viewport()->update();  // without the drag's label
}

void CtesqView::DragTo(int x) {
    CtesqDoc* doc = GetDocument();
    if (doc == nullptr) return;
    m_nDragX = x;
    const int sample = navigation::SampleAtColumn(static_cast<long long>(x) + GetScrollPosition(),
                                                  doc->Decimation(), doc->Trace().m_nSampleCount);
    doc->Select(std::min(m_nPressSample, sample), std::max(m_nPressSample, sample));
    const int pointerY = m_pointer ? m_pointer->first.y() : ClientBands().plotTop;
    m_strDragLabel = interaction::DragLabel(*doc, x + GetScrollPosition(), pointerY, ClientBands());
    // The next click selects from where the drag ended.
    s_nSelAnchor = sample;
    const bool outside = x < 0 || x >= GetClientRect().Width();
    if (outside && !m_autoScroll.isActive()) m_autoScroll.start();
    if (!outside) m_autoScroll.stop();
    viewport()->repaint();
}

void CtesqView::AutoScroll() {
    if (!m_bDragging) {
        m_autoScroll.stop();
        return;
    }
    horizontalScrollBar()->triggerAction(m_nDragX < 0 ? QAbstractSlider::SliderSingleStepSub
                                                      : QAbstractSlider::SliderSingleStepAdd);
    DragTo(m_nDragX);
}

// The second click of a double click changes neither the selection nor the anchor.
void CtesqView::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}

void CtesqView::wheelEvent(QWheelEvent* event) {
    if (event->modifiers() & Qt::ControlModifier) {
        OnCtrlWheel(event->angleDelta().y(), event->position().toPoint().x());
        event->accept();
        return;
    }
    OnMouseWheel(event->angleDelta().y());
    CScrollView::wheelEvent(event);
}

void CtesqView::keyPressEvent(QKeyEvent* event) {
    // Scrolling keys move the view as the scroll bar's own steps do; they type nothing.
    if (!(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        const auto step = [&](QAbstractSlider::SliderAction action) {
            horizontalScrollBar()->triggerAction(action);
            event->accept();
        };
        switch (event->key()) {
            case Qt::Key_Left:
                return step(QAbstractSlider::SliderSingleStepSub);
            case Qt::Key_Right:
                return step(QAbstractSlider::SliderSingleStepAdd);
            case Qt::Key_PageUp:
                return step(QAbstractSlider::SliderPageStepSub);
            case Qt::Key_PageDown:
                return step(QAbstractSlider::SliderPageStepAdd);
            case Qt::Key_Home:
                return step(QAbstractSlider::SliderToMinimum);
            case Qt::Key_End:
                return step(QAbstractSlider::SliderToMaximum);
            default:
                break;
        }
    }
    if (event->modifiers() & Qt::ControlModifier) {
        if (event->key() == Qt::Key_Left) FindPrevMarker();
        if (event->key() == Qt::Key_Right) FindNextMarker();
        if (event->key() == Qt::Key_T) m_bSeekNegative ^= 1;
    }
    // Then the key's characters, as typed.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        OnChar(13);
    else if (event->key() == Qt::Key_Backspace)
        OnChar(8);
    else if (event->key() == Qt::Key_Escape)
        OnChar(27);
    else if (event->modifiers() & Qt::ControlModifier) {
        // Ctrl+letter (and @ [ \ ] ^ _) is a control code; with any other key, nothing.
        if (event->key() >= Qt::Key_At && event->key() <= Qt::Key_Underscore)
            OnChar(static_cast<char32_t>(event->key()) & 0x1F);
    } else {
        for (const char32_t ch : event->text().toUcs4()) OnChar(ch);
    }
    event->accept();
}
