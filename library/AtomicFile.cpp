#include "AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kavio {

namespace fs = std::filesystem;

namespace {

Status errnoStatus(const std::string& what, int error)
{
    return Status::ioError(what + ": " + std::strerror(error));
}

int closeRetryingNothing(int fd)
{
    // close() must not be retried on EINTR on Linux: the descriptor is already gone.
    return ::close(fd);
}

Status writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errnoStatus("write", errno);
        }
        if (n == 0)
            return Status::ioError("write: no progress");
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return Status::ok();
}

Status syncFolder(const fs::path& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errnoStatus("open folder", errno);
    Status status;
    if (::fsync(fd) != 0)
        status = errnoStatus("fsync folder", errno);
    closeRetryingNothing(fd);
    return status;
}

} // namespace

std::string temporaryPrefix(const fs::path& path)
{
    return "." + path.filename().string() + ".tmp-";
}

Status writeFileAtomically(const fs::path& path, std::string_view bytes)
{
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    std::string temp = (folder / (temporaryPrefix(path) + "XXXXXX")).string();
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return errnoStatus("create temporary file", errno);
    // Held until close, so a load in another process does not take it for a leftover.
    ::flock(fd, LOCK_EX | LOCK_NB);

    auto fail = [&](Status s) {
        ::unlink(temp.c_str());
        return s;
    };

    // Keep the permissions of the file being replaced; a new file gets the usual 0644.
    struct stat old {};
    const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    if (::fchmod(fd, mode) != 0) {
        const int e = errno;
        closeRetryingNothing(fd);
        return fail(errnoStatus("chmod temporary file", e));
    }
    if (Status s = writeAll(fd, bytes); !s) {
        closeRetryingNothing(fd);
        return fail(s);
    }
    if (::fsync(fd) != 0) {
        const int e = errno;
        closeRetryingNothing(fd);
        return fail(errnoStatus("fsync", e));
    }
    // A duplicate keeps the lock once fd is closed (a lock belongs to the open file, not
    // to one descriptor), so a load elsewhere never takes the file for a leftover before
    // the rename.
    const int lockFd = ::dup(fd);
    auto unlock = [&](Status s) {
        if (lockFd >= 0)
            closeRetryingNothing(lockFd);
        return s;
    };
    if (closeRetryingNothing(fd) != 0)
        return unlock(fail(errnoStatus("close", errno)));
    if (::rename(temp.c_str(), path.c_str()) != 0)
        return unlock(fail(errnoStatus("rename", errno)));
    return unlock(syncFolder(folder));
}

void removeLeftoverTemporaries(const fs::path& path)
{
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const std::string prefix = temporaryPrefix(path);
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        std::error_code typeError;
        if (it->symlink_status(typeError).type() != fs::file_type::regular)
            continue; // never open a FIFO or a device, even one named like a leftover
        const int fd = ::open(it->path().c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(it->path().c_str());
        closeRetryingNothing(fd);
    }
}

} // namespace kavio
