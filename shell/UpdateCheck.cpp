#include "shell/UpdateCheck.h"

#include "shell/Links.h"

#include "library/PlainText.h"
#include "library/Utf8.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace kavio::shell {

QString localTag(const QString& version)
{
    return QStringLiteral("v%1").arg(version);
}

UpdateVerdict updateVerdict(const std::optional<QByteArray>& body, const QString& version)
{
    if (!body || body->isEmpty() || version.isEmpty())
        return {};
    QJsonParseError error{};
    const QJsonDocument json = QJsonDocument::fromJson(*body, &error);
    if (error.error != QJsonParseError::NoError || !json.isObject())
        return {};
    const QJsonValue tag = json.object().value(QStringLiteral("tag_name"));
    if (!tag.isString())
        return {};
    if (tag.toString() == localTag(version))
        return {UpdateVerdict::Kind::UpToDate, {}};
    return {UpdateVerdict::Kind::Update, tag.toString()};
}

QUrl latestReleaseApiUrl()
{
    QString base = qEnvironmentVariable("KAVIO_RELEASES_API", QString::fromLatin1(links::kReleasesApi));
    while (base.endsWith(u'/'))
        base.chop(1);
    return QUrl(base + QStringLiteral("/repos/%1/releases/latest").arg(QString::fromLatin1(links::kRepository)));
}

QUrl latestReleasePage()
{
    return QUrl(QStringLiteral("https://github.com/%1/releases/latest").arg(QString::fromLatin1(links::kRepository)));
}

QString releasesPage()
{
    return QStringLiteral("https://github.com/%1/releases/").arg(QString::fromLatin1(links::kRepository));
}

QString verdictLine(const UpdateVerdict& verdict)
{
    switch (verdict.kind) {
    // The tag is the server's text: an escape sequence in it must not reach the terminal.
    case UpdateVerdict::Kind::Update: return QStringLiteral("update: ") + fromUtf8(escapedForTerminal(toUtf8(verdict.tag)));
    case UpdateVerdict::Kind::UpToDate: return QStringLiteral("up to date");
    case UpdateVerdict::Kind::NoAnswer: break;
    }
    return QStringLiteral("no answer");
}

QString runningVersion()
{
    return QStringLiteral(KAVIO_VERSION);
}

} // namespace kavio::shell
