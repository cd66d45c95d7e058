#include "FileMoves.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QString>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace kavio {

namespace fs = std::filesystem;

namespace {

bool existsOrDangles(const fs::path& path)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

int renameNoReplace(const fs::path& from, const fs::path& to)
{
#ifdef SYS_renameat2
    return static_cast<int>(::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), 1 /* RENAME_NOREPLACE */));
#else
    errno = ENOSYS;
    return -1;
#endif
}

} // namespace

Status moveNoReplace(const fs::path& from, const fs::path& to)
{
    if (!existsOrDangles(from))
        return Status::notFound(from.string());
    if (renameNoReplace(from, to) == 0)
        return Status::ok();
    const int error = errno;
    if (error == EEXIST)
        return Status::alreadyExists(to.string());
    if (error != EINVAL && error != ENOSYS)
        return Status::ioError(std::strerror(error));
    // The file system has no no-replace rename (some network and FUSE mounts).
    if (existsOrDangles(to))
        return Status::alreadyExists(to.string());
    if (::rename(from.c_str(), to.c_str()) != 0)
        return Status::ioError(std::strerror(errno));
    return Status::ok();
}

Result<Removal> removeToTrash(const fs::path& path)
{
    if (!existsOrDangles(path))
        return Status::notFound(path.string());
    // The home trash must exist before Qt looks for it: a fresh account may not have the
    // data folder yet, and Qt 6.4, finding no trash, takes the working folder for one.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const bool haveTrash = !data.isEmpty() && QDir().mkpath(data + QStringLiteral("/Trash/files")) && QDir().mkpath(data + QStringLiteral("/Trash/info"));
    // The trash takes names as text; one that is not valid in the system's encoding cannot
    // be handed over, and counts as a file no trash can take.
    const QByteArray native(path.c_str(), static_cast<qsizetype>(path.native().size()));
    const QString name = QFile::decodeName(native);
    if (haveTrash && QFile::encodeName(name) == native && QFile::moveToTrash(name))
        return Removal::Trashed;
    std::error_code ec;
    fs::remove_all(path, ec);
    if (ec)
        return Status::ioError(ec.message());
    return Removal::Erased;
}

} // namespace kavio
