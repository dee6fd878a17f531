#pragma once
// The system's texts are UTF-8; Qt's are QStrings.

#include <QString>
#include <string_view>

inline QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
