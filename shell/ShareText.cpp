#include "shell/ShareText.h"

#include "shell/Links.h"
#include "shell/UpdateCheck.h"

#include <QStringList>

namespace kavio::shell {

QString shareText(const QString& version, const QString& machineName, const QString& systemName)
{
    return QStringList{
        QStringLiteral("Kavio v%1 ").arg(version),
        QStringLiteral("Download:") + releasesPage(),
        QStringLiteral("Developer: Morvel(") + QString::fromLatin1(links::kDeveloperProfile) + QStringLiteral(") "),
        QString(),
        QStringLiteral("%1 on %2 Working!! ").arg(machineName, systemName),
        QString(),
        QStringLiteral("#Kavio "),
        QStringLiteral("#Linux"),
        QStringLiteral("#CarPlay"),
    }.join(u'\n');
}

} // namespace kavio::shell
