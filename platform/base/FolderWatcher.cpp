#include "platform/base/FolderWatcher.h"

#include <QByteArray>
#include <QFile>
#include <QFileSystemWatcher>
#include <QTimer>

namespace kavio::platform {

namespace {

QString pathText(const std::filesystem::path& path)
{
    return QFile::decodeName(QByteArray(path.c_str(), static_cast<qsizetype>(path.native().size())));
}

} // namespace

FolderWatcher::FolderWatcher(std::filesystem::path folder, std::filesystem::path fileInFolder, QObject* parent)
    : QObject(parent), folder_(pathText(folder)), file_(pathText(fileInFolder))
{
    setupWatcher();
}

FolderWatcher::~FolderWatcher() = default;

void FolderWatcher::setupWatcher()
{
    watcher_ = new QFileSystemWatcher(this);
    quiet_ = new QTimer(this);
    quiet_->setSingleShot(true);
    quiet_->setInterval(kQuietTime);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &FolderWatcher::somethingChanged);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, &FolderWatcher::somethingChanged);
    connect(quiet_, &QTimer::timeout, this, [this] {
        rewatch();
        Q_EMIT changed();
    });
    rewatch();
}

void FolderWatcher::rewatch()
{
    // A replaced store is a new file, and a folder taken away and brought back (a USB
    // stick) a new folder: the old watches went with them.
    const QStringList watched = watcher_->files() + watcher_->directories();
    for (const QString& path : {folder_, file_}) {
        if (!path.isEmpty() && !watched.contains(path) && QFile::exists(path))
            watcher_->addPath(path);
    }
}

void FolderWatcher::somethingChanged()
{
    quiet_->start(); // restarts while the burst goes on
}

} // namespace kavio::platform
