#pragma once
// The text "Share Kavio" offers: nine lines, trailing blanks kept, no final line feed. The
// fifth names the machine and the system it runs on ("ThinkPad T14 on Debian GNU/Linux 12
// (bookworm) Working!! ").

#include <QString>

namespace kavio::shell {

QString shareText(const QString& version, const QString& machineName, const QString& systemName);

} // namespace kavio::shell
