#pragma once
// Extensions of file names, matched the one way every format table uses: on the file name
// only (never a dot in a folder's name), ASCII letters without regard to case, never the
// process locale.

#include <optional>
#include <string_view>

// The text after the last '.' of the file name (after the last '/'), possibly empty; nothing
// when the file name holds no '.'.
std::optional<std::string_view> ExtensionOf(std::string_view path);
