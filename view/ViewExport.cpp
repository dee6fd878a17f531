#include "view/ViewExport.h"

#include <QBuffer>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <algorithm>
#include <iterator>

#include "framework/core/AsciiText.h"
#include "framework/core/FileNames.h"
#include "framework/core/MessageSink.h"
#include "framework/core/SafeFile.h"
#include "framework/gui/QtText.h"
#include "framework/gui/ScrollView.h"

namespace {

constexpr CPictureFormat kPictureFormats[] = {
    {ImageFormat::png, "PNG image", "png"},
    {ImageFormat::svg, "SVG image", "svg"},
    {ImageFormat::pdf, "PDF document", "pdf"},
};

// Paints the view on white over the whole of a device `size` large.
void PaintOn(QPaintDevice& device, CScrollView& view, QSize size) {
    QPainter painter(&device);
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    view.PaintTo(painter);
}

}  // namespace

const CPictureFormat* PictureFormatOf(std::string_view path) {
    const auto ext = ExtensionOf(path);
    if (!ext) return nullptr;
    for (const CPictureFormat& format : kPictureFormats)
        if (EqualsIgnoringAsciiCase(*ext, format.extension)) return &format;
    return nullptr;
}

std::string PictureFilter() {
    std::string filter;
    for (const CPictureFormat& format : kPictureFormats) {
        const std::string pattern = "*." + std::string(format.extension);
        filter += std::string(format.filterName) + " (" + pattern + ")|" + pattern + "|";
    }
    return filter + "|";
}

std::string_view DefaultPictureExtension() {
    return kPictureFormats[0].extension;
}

std::string PictureExtensions() {
    std::string list;
    const std::size_t n = std::size(kPictureFormats);
    for (std::size_t k = 0; k < n; ++k)
        list += (k == 0       ? "."
                 : k + 1 == n ? " or ."
                              : ", .") +
                std::string(kPictureFormats[k].extension);
    return list;
}

bool ExportViewImage(CScrollView& view, const std::string& path) {
    const CRect client = view.GetClientRect();
    const QSize size(std::max(client.Width(), 1), std::max(client.bottom - client.top, 1));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    bool made = true;
    const CPictureFormat* format = PictureFormatOf(path);
    if (format == nullptr) {
        AfxMessageBox("Pictures are written as " + PictureExtensions() + " files.");
        return false;
    }
    switch (format->id) {
        case ImageFormat::png: {
            QImage image(size, QImage::Format_RGB32);
            PaintOn(image, view, size);
            made = image.save(&buffer, "PNG");
            break;
        }
        case ImageFormat::svg: {
            QSvgGenerator svg;
            svg.setOutputDevice(&buffer);
            // A pixel is 1/96 inch, as viewers count it: the declared size is the window's.
            svg.setResolution(96);
            svg.setSize(size);
            svg.setViewBox(QRect(QPoint(0, 0), size));
            svg.setTitle(QStringLiteral("tesqv"));
            PaintOn(svg, view, size);
            break;
        }
        case ImageFormat::pdf: {
            // One page the size of the window at 96 pixels to the inch.
            QPdfWriter pdf(&buffer);
            pdf.setResolution(96);
            pdf.setPageSize(QPageSize(QSizeF(size) * 0.75, QPageSize::Point));
            pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
            PaintOn(pdf, view, size);
            break;
        }
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
