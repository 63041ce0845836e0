#pragma once

#include <QFile>
#include <QString>

#include <string>

namespace kivo::app {

// The core's strings are bytes in the system's narrow encoding, which is also the encoding
// of file names; Qt's file-name codec is exactly that conversion.
inline QString fromNative(const std::string& bytes)
{
    return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

inline std::string toNative(const QString& text)
{
    return QFile::encodeName(text).toStdString();
}

} // namespace kivo::app
