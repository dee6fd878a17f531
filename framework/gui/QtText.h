#pragma once
// The system's texts are UTF-8; Qt's are QStrings.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QUrl>
#include <string>
#include <string_view>

inline QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Paths are bytes, as the file system keeps them, and need not be UTF-8; Qt's file-name
// encoding turns them into text to show and text typed into dialogs back into bytes.
inline QString PathToQString(const std::string& path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}
inline std::string QStringToPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}
// The bytes of a local file URL's path, exactly, whatever their encoding.
inline std::string UrlToPath(const QUrl& url) {
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}
