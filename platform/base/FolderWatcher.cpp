#include "platform/base/FolderWatcher.h"

#include <QByteArray>
#include <QFile>
#include <QFileSystemWatcher>
#include <QSocketNotifier>
#include <QTimer>

#include <sys/stat.h>

namespace kavio::platform {

namespace fs = std::filesystem;

namespace {

QString pathText(const fs::path& path)
{
    return QFile::decodeName(QByteArray(path.c_str(), static_cast<qsizetype>(path.native().size())));
}

// Where a missing folder would appear: the closest folder above it that exists.
fs::path nearestExisting(fs::path path)
{
    std::error_code ec;
    while (!fs::is_directory(path, ec) && path.has_relative_path())
        path = path.parent_path();
    return path;
}

} // namespace

FolderWatcher::FolderWatcher(fs::path folder, fs::path fileInFolder, QObject* parent)
    : QObject(parent), folder_(std::move(folder)), file_(std::move(fileInFolder))
{
    setupWatcher();
    setupMountTable();
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
    connect(quiet_, &QTimer::timeout, this, &FolderWatcher::quietTimeOver);
    seen_ = identity();
    rewatch();
}

void FolderWatcher::setupMountTable()
{
    // The kernel marks the table with a priority event whenever anything is mounted or
    // unmounted (proc(5)); no read is needed to take the mark off.
    mountTable_ = new QFile(QStringLiteral("/proc/self/mountinfo"), this);
    if (!mountTable_->open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return;
    mounts_ = new QSocketNotifier(mountTable_->handle(), QSocketNotifier::Exception, this);
    connect(mounts_, &QSocketNotifier::activated, this, [this] { somethingChanged({}); });
}

void FolderWatcher::rewatch()
{
    // Watches hold on to what the path named when they were made: a store replaced by a
    // save, a folder taken away and brought back, a stick mounted over a folder all need
    // the path watched afresh.
    if (const QStringList watched = watcher_->files() + watcher_->directories(); !watched.isEmpty())
        watcher_->removePaths(watched);
    std::error_code ec;
    if (!fs::is_directory(folder_, ec)) {
        if (const fs::path above = nearestExisting(folder_); !above.empty())
            watcher_->addPath(pathText(above));
        return;
    }
    watcher_->addPath(pathText(folder_));
    if (!file_.empty() && fs::exists(file_, ec))
        watcher_->addPath(pathText(file_));
}

void FolderWatcher::somethingChanged(const QString& path)
{
    if (path == pathText(folder_) || path == pathText(file_))
        touched_ = true;
    quiet_->start(); // restarts while the burst goes on
}

void FolderWatcher::quietTimeOver()
{
    rewatch();
    // A folder above changes for many reasons, and so does the mount table; only this
    // folder coming, going or being replaced is news.
    const Identity now = identity();
    const bool news = std::exchange(touched_, false) || now != seen_;
    seen_ = now;
    if (news)
        Q_EMIT changed();
}

FolderWatcher::Identity FolderWatcher::identity() const
{
    struct stat info {};
    if (::stat(folder_.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return std::nullopt;
    return std::pair{info.st_dev, info.st_ino};
}

} // namespace kavio::platform
