#pragma once
// Text crosses between the file system and records (UTF-8 bytes) and the screen (QString)
// here only. Bytes that are not UTF-8 show as replacement characters.

#include <QByteArray>
#include <QString>

#include <string>
#include <string_view>

namespace kavio {

inline QString fromUtf8(std::string_view bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

inline std::string toUtf8(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace kavio
