#pragma once
// The save dialog behind Save As: the framework's filter ("Name (*.ext)|*.ext|...||"), and a
// name typed without an extension gets the extension of the filter chosen, so that what is
// saved is what the chosen entry promised. Asks before replacing an existing file.

#include <optional>
#include <string>

class QWidget;

// folder: where it starts (empty: the working folder); title: the dialog's.
std::optional<std::string> RunSaveDialog(QWidget* parent, const std::string& filter,
                                         const std::string& defaultExt,
                                         const std::string& folder = {},
                                         const std::string& title = "Save As");
