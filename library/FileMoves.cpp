#include "FileMoves.h"

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

Result<TrashedEntry> removeToTrash(const fs::path& path)
{
    return moveToTrash(path);
}

} // namespace kavio
