#include "platform/nowplaying/MprisArtworkStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QUrl>

namespace kavio::platform {

QString MprisArtworkStore::defaultDirectory()
{
    // Ask QStandardPaths only without XDG_RUNTIME_DIR: it warns about the fallback it uses.
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty())
        base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (base.isEmpty())
        base = QDir::tempPath();
    return QDir(base).filePath(QStringLiteral("kavio-%1").arg(QCoreApplication::applicationPid()));
}

MprisArtworkStore::MprisArtworkStore(QString directory)
    : directory_(std::move(directory))
{
}

MprisArtworkStore::~MprisArtworkStore()
{
    removeCurrentFile();
    if (!directory_.isEmpty())
        QDir().rmdir(directory_); // only if empty: never sweep what someone else put there
}

QString MprisArtworkStore::artUrl(const std::optional<NowPlayingInfo>& info)
{
    if (!info || !info->artwork || info->artwork->isNull()) {
        removeCurrentFile();
        resolved_ = false;
        trackId_.clear();
        image_ = {};
        return {};
    }
    // QImage== is a pointer check for a shared copy and a pixel compare for a fresh decode.
    // A failed write is not retried for the same picture: it would fail twice a second.
    if (resolved_ && info->trackId == trackId_ && *info->artwork == image_)
        return url_;

    removeCurrentFile();
    resolved_ = true;
    trackId_ = info->trackId;
    image_ = *info->artwork;
    if (directory_.isEmpty())
        directory_ = defaultDirectory();
    if (!QDir().mkpath(directory_))
        return {};
    QFile::setPermissions(directory_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ++writeCount_;
    const QString path = QDir(directory_).filePath(QStringLiteral("art-%1.png").arg(writeCount_));
    // Write beside and rename, so a client never reads half a PNG.
    const QString partial = path + QStringLiteral(".part");
    const bool written = [&] {
        if (!info->artworkPng)
            return image_.save(partial, "PNG");
        QFile file(partial);
        return file.open(QIODevice::WriteOnly) && file.write(*info->artworkPng) == info->artworkPng->size();
    }();
    if (!written || !QFile::rename(partial, path)) {
        QFile::remove(partial);
        return {};
    }
    file_ = path;
    url_ = QUrl::fromLocalFile(path).toString();
    return url_;
}

void MprisArtworkStore::removeCurrentFile()
{
    if (!file_.isEmpty())
        QFile::remove(file_);
    file_.clear();
    url_.clear();
}

} // namespace kavio::platform
