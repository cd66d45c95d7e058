#pragma once
// The text "Share Kavio" offers: nine lines, trailing blanks kept, no final line feed.

#include <QString>

namespace kavio::shell {

QString shareText(const QString& version, const QString& modelName, const QString& systemVersion);

} // namespace kavio::shell
