#include "view/ViewExport.h"

#include <QBuffer>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <algorithm>
#include <cctype>

#include "framework/core/MessageSink.h"
#include "framework/core/SafeFile.h"
#include "framework/gui/QtText.h"
#include "framework/gui/ScrollView.h"

ImageFormat ImageFormatOf(const std::string& path) {
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return ImageFormat::none;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "png") return ImageFormat::png;
    if (ext == "svg") return ImageFormat::svg;
    if (ext == "pdf") return ImageFormat::pdf;
    return ImageFormat::none;
}

namespace {

// Paints the view on white over the whole of a device `size` large.
void PaintOn(QPaintDevice& device, CScrollView& view, QSize size) {
    QPainter painter(&device);
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    view.PaintTo(painter);
}

}  // namespace

bool ExportViewImage(CScrollView& view, const std::string& path) {
    const CRect client = view.GetClientRect();
    const QSize size(std::max(client.Width(), 1), std::max(client.bottom - client.top, 1));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    bool made = true;
    switch (ImageFormatOf(path)) {
        case ImageFormat::png: {
            QImage image(size, QImage::Format_RGB32);
            PaintOn(image, view, size);
            made = image.save(&buffer, "PNG");
            break;
        }
        case ImageFormat::svg: {
            QSvgGenerator svg;
            svg.setOutputDevice(&buffer);
            svg.setSize(size);
            svg.setViewBox(QRect(QPoint(0, 0), size));
            svg.setTitle(QStringLiteral("tesqv"));
            PaintOn(svg, view, size);
            break;
        }
        case ImageFormat::pdf: {
            // One page the size of the window, a point per pixel.
            QPdfWriter pdf(&buffer);
            pdf.setResolution(72);
            pdf.setPageSize(QPageSize(QSizeF(size), QPageSize::Point));
            pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
            PaintOn(pdf, view, size);
            break;
        }
        case ImageFormat::none:
            AfxMessageBox("Pictures are written as .png, .svg or .pdf files.");
            return false;
    }
    if (!made) {
        AfxMessageBox("Cannot make the picture for " + path + ".");
        return false;
    }
    try {
        CSafeFile file(path);
        file.Write(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        file.Commit();
    } catch (const CFileException& e) {
        e.ReportError();
        return false;
    }
    return true;
}
