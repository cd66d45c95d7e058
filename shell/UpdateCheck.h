#pragma once
// Whether a newer release is out: the latest release's tag on GitHub against "v" and the
// running version. Any difference counts, exactly as written (v1.3, 1.2, V1.2 and an older
// tag alike); every failure is silence.

#include <QString>
#include <QUrl>

#include <optional>

namespace kavio::shell {

// "v" and the version: 1.2 gives v1.2.
QString localTag(const QString& runningVersion);

struct UpdateVerdict {
    enum class Kind { UpToDate, Update, NoAnswer };
    Kind kind = Kind::NoAnswer;
    QString tag; // with Update: the release's tag exactly as received
};

// body: the response, whatever its HTTP status; nothing when none arrived.
UpdateVerdict updateVerdict(const std::optional<QByteArray>& body, const QString& runningVersion);

// $KAVIO_RELEASES_API (else the GitHub API) + /repos/OWNER/NAME/releases/latest.
QUrl latestReleaseApiUrl();
// The pages people see: the latest release, and all releases (with the final slash).
QUrl latestReleasePage();
QString releasesPage();

// What `kavio --check-update` prints, control characters of the tag escaped.
QString verdictLine(const UpdateVerdict& verdict);

// The running version, from the build.
QString runningVersion();

} // namespace kavio::shell
