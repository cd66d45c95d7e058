#include "shell/ShareText.h"

#include "shell/Links.h"
#include "shell/UpdateCheck.h"

#include <QStringList>

namespace kavio::shell {

QString shareText(const QString& version, const QString& modelName, const QString& systemVersion)
{
    return QStringList{
        QStringLiteral("Kavio v%1 ").arg(version),
        QStringLiteral("IPA File:") + releasesPage(),
        QStringLiteral("Developer: Morvel(") + QString::fromLatin1(links::kDeveloperProfile) + QStringLiteral(") "),
        QString(),
        QStringLiteral("%1 iOS:%2 Working!! ").arg(modelName, systemVersion),
        QString(),
        QStringLiteral("#Kavio "),
        QStringLiteral("#TrollStore"),
        QStringLiteral("#CarPlay"),
    }.join(u'\n');
}

} // namespace kavio::shell
