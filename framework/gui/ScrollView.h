#pragma once
// The framework's scroll view on Qt: scrolls horizontally only, one logical unit per pixel.
// The horizontal range runs 0 .. B - 1 while B columns are wider than the window (that end
// is what GetScrollRangeEnd reports), positions stay within 0 .. B - W, a page step is the
// page size and a line step the line size given to SetScrollSizes.

#include <QAbstractScrollArea>
#include <QString>

class QPrinter;

#include "framework/core/CmdTarget.h"
#include "framework/core/DC.h"
#include "framework/core/Document.h"

class CScrollView : public QAbstractScrollArea, public CView, public CCmdTarget {
public:
    explicit CScrollView(QWidget* parent = nullptr);
    // Leaves its document's views; the document must outlive the view.
    ~CScrollView() override;

    void SetDocument(CDocument* pDocument) { m_pDocument = pDocument; }
    CDocument* GetDocument() const { return m_pDocument; }

    void SetScrollSizes(int total, int page, int line);
    int GetScrollPosition() const;
    // Kept within the scroll range.
    void SetScrollPos(int position);
    int GetScrollRangeEnd() const { return m_nRangeEnd; }
    // The client area in device pixels.
    CRect GetClientRect() const;

    // Paints the visible part through a device context whose logical origin is the scroll
    // position.
    virtual void OnDraw(CDC* pDC) = 0;
    // Paints what the window shows, its text as many pixels high as on the screen whatever
    // the device's resolution (a picture file, a page).
    void PaintTo(QPainter& painter);
    // The same, scaled with its proportions to fill as much of `area` (device units from the
    // painter's origin) as it can.
    void PaintScaledTo(QPainter& painter, QSizeF area);

    // Printing and print preview show the view as the window does, scaled to the page.
    // OnPreparePrinting asks the user (the print dialog), offering a file beside the
    // document to print to; false cancels.
    virtual bool OnPreparePrinting(QPrinter& printer);
    virtual void OnBeginPrinting(QPrinter&) {}
    virtual void OnEndPrinting(QPrinter&) {}
    // The printer whose settings Print option chose; without one, each print starts afresh.
    void SetPrinter(QPrinter* pPrinter) { m_pPrinter = pPrinter; }
    void OnFilePrint();
    void OnFilePrintPreview();
    // Prints without asking: begin, draw, end.
    void PrintTo(QPrinter& printer);

protected:
    void paintEvent(QPaintEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    CDocument* m_pDocument = nullptr;
    QPrinter* m_pPrinter = nullptr;
    QString m_strDefaultPrintFile;  // the file beside the document offered last
    int m_nTotal = 0;
    int m_nRangeEnd = 0;
};
