#include "framework/gui/ScrollView.h"

#include <QFileInfo>
#include <QFontInfo>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScrollBar>

#include "framework/core/Document.h"
#include "framework/core/ScrollRange.h"
#include "framework/gui/QtDC.h"
#include "framework/gui/QtText.h"

CScrollView::CScrollView(QWidget* parent) : QAbstractScrollArea(parent) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameStyle(QFrame::NoFrame);
}

CScrollView::~CScrollView() {
    if (m_pDocument != nullptr) m_pDocument->RemoveView(this);
}

void CScrollView::SetScrollSizes(int total, int page, int line) {
    m_nTotal = total;
    const int width = viewport()->width();
    m_nRangeEnd = ScrollRangeEnd(total, width);
    QScrollBar* bar = horizontalScrollBar();
    bar->setRange(0, MaxScrollPosition(total, width));
    bar->setPageStep(std::max(page, 1));
    bar->setSingleStep(std::max(line, 1));
}

int CScrollView::GetScrollPosition() const {
    return horizontalScrollBar()->value();
}

void CScrollView::SetScrollPos(int position) {
    horizontalScrollBar()->setValue(position);
}

CRect CScrollView::GetClientRect() const {
    return {0, 0, viewport()->width(), viewport()->height()};
}

void CScrollView::PaintTo(QPainter& painter) {
    QFont font = this->font();
    font.setPixelSize(QFontInfo(this->font()).pixelSize());
    painter.setFont(font);
    CQtDC dc(painter, {GetScrollPosition(), 0});
    OnDraw(&dc);
}

void CScrollView::PaintScaledTo(QPainter& painter, QSizeF area) {
    const QSize client = viewport()->size();
    if (client.isEmpty() || area.isEmpty()) return;
    const double scale = std::min(area.width() / client.width(), area.height() / client.height());
    painter.save();
    painter.scale(scale, scale);
    painter.setClipRect(QRect(QPoint(0, 0), client));
    painter.fillRect(QRect(QPoint(0, 0), client), Qt::white);
    PaintTo(painter);
    painter.restore();
}

void CScrollView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), Qt::white);
    PaintTo(painter);
}

void CScrollView::scrollContentsBy(int, int) {
    viewport()->update();
}

bool CScrollView::OnPreparePrinting(QPrinter& printer) {
    // Named after the document, and printed to a file beside it unless the user chose another
    // file already (or a printer is there to choose).
    if (m_pDocument != nullptr && !m_pDocument->GetPathName().empty()) {
        const QFileInfo file(PathToQString(m_pDocument->GetPathName()));
        printer.setDocName(file.completeBaseName());
        const QString beside = file.absolutePath() + QLatin1Char('/') + file.completeBaseName() +
                               QStringLiteral(".pdf");
        const bool chosen = !printer.outputFileName().isEmpty() &&
                            printer.outputFileName() != m_strDefaultPrintFile;
        if (!chosen && (QPrinterInfo::availablePrinters().isEmpty() ||
                        printer.outputFormat() == QPrinter::PdfFormat)) {
            printer.setOutputFileName(beside);
            m_strDefaultPrintFile = beside;
        }
    }
    QPrintDialog dialog(&printer, this);
    return dialog.exec() == QDialog::Accepted;
}

void CScrollView::PrintTo(QPrinter& printer) {
    OnBeginPrinting(printer);
    {
        QPainter painter(&printer);
        PaintScaledTo(painter, printer.pageLayout().paintRectPixels(printer.resolution()).size());
    }
    OnEndPrinting(printer);
}

void CScrollView::OnFilePrint() {
    QPrinter fresh;
    QPrinter& printer = m_pPrinter != nullptr ? *m_pPrinter : fresh;
    if (OnPreparePrinting(printer)) PrintTo(printer);
}

void CScrollView::OnFilePrintPreview() {
    QPrinter fresh;
    QPrintPreviewDialog preview(m_pPrinter != nullptr ? m_pPrinter : &fresh, this);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, this,
                     [this](QPrinter* printer) { PrintTo(*printer); });
    preview.exec();
}
