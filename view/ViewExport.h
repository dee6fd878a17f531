#pragma once
// The view as the user sees it (its drawing, its client size, its scroll position) written
// to a picture: PNG, SVG (text stays text) or PDF (vector), chosen by the path's extension,
// through the same safe replacement as documents.

#include <string>

class CScrollView;

enum class ImageFormat { none, png, svg, pdf };

// By the extension after the file name's last '.', in any case.
ImageFormat ImageFormatOf(const std::string& path);

// False after a message when the picture could not be made or written.
bool ExportViewImage(CScrollView& view, const std::string& path);
