#pragma once
// The view as the user sees it (its drawing, its client size, its scroll position) written
// to a picture, through the same safe replacement as documents. The picture formats are a
// table like the trace formats': each with its name, its extension and how it is painted,
// found by the file name's extension (ASCII letters in any case).

#include <string>
#include <string_view>

class CScrollView;

enum class ImageFormat { png, svg, pdf };

struct CPictureFormat {
    ImageFormat id;
    std::string_view filterName;  // in the export dialog: "PNG image"
    std::string_view extension;   // without its dot, lower case
};

// The picture format the path's file name names by its extension; null when none does.
const CPictureFormat* PictureFormatOf(std::string_view path);
// The export dialog's filter ("PNG image (*.png)|*.png|...||"), the extension a name
// without one gets, and the extensions for messages (".png, .svg or .pdf").
std::string PictureFilter();
std::string_view DefaultPictureExtension();
std::string PictureExtensions();

// False after a message when the picture could not be made or written.
bool ExportViewImage(CScrollView& view, const std::string& path);
