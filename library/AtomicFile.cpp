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

// The folder, opened to be locked and synced. Saves hold a shared lock on it from the
// creation of their temporary file to the rename; the cleanup of leftovers takes it
// exclusively without waiting, so it only ever runs while no save is under way, in this
// process or another. A lock on the folder (not on the temporary file) leaves no moment
// between creating the file and locking it in which a load could take it for a leftover.
class FolderLock {
public:
    enum class Mode { SharedForSave, ExclusiveForCleanup };

    FolderLock(const fs::path& folder, Mode mode)
        : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        if (fd_ < 0) {
            openError_ = errno;
            return;
        }
        if (mode == Mode::ExclusiveForCleanup) {
            held_ = ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
            return;
        }
        // A cleanup holds the lock for one scan of the folder; wait for it, but not forever.
        for (int attempt = 0; attempt < 200 && !held_; ++attempt) {
            held_ = ::flock(fd_, LOCK_SH | LOCK_NB) == 0;
            if (!held_ && errno != EWOULDBLOCK && errno != EINTR)
                break; // a file system without locks: save anyway, a save matters more than the lock
            if (!held_)
                ::usleep(10'000);
        }
    }
    ~FolderLock()
    {
        if (fd_ >= 0)
            closeRetryingNothing(fd_);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    int openError() const { return openError_; }
    bool held() const { return held_; }

    Status sync() const
    {
        if (::fsync(fd_) != 0)
            return errnoStatus("fsync folder", errno);
        return Status::ok();
    }

private:
    int fd_ = -1;
    int openError_ = 0;
    bool held_ = false;
};

} // namespace

std::string temporaryPrefix(const fs::path& path)
{
    return "." + path.filename().string() + ".tmp-";
}

Status writeFileAtomically(const fs::path& path, std::string_view bytes)
{
    return writeFileAtomically(path, [bytes](const ByteWriter& write) { return write(bytes); });
}

Status writeFileAtomically(const fs::path& path, const std::function<Status(const ByteWriter& write)>& produce,
                           WrittenFile* written)
{
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    // Opened first: a folder that cannot be synced after the rename fails the save before
    // anything is written.
    const FolderLock lock(folder, FolderLock::Mode::SharedForSave);
    if (!lock.isOpen())
        return errnoStatus("open folder", lock.openError());
    std::string temp = (folder / (temporaryPrefix(path) + "XXXXXX")).string();
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return errnoStatus("create temporary file", errno);

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
    if (Status s = produce([fd](std::string_view piece) { return writeAll(fd, piece); }); !s) {
        closeRetryingNothing(fd);
        return fail(s);
    }
    if (::fsync(fd) != 0) {
        const int e = errno;
        closeRetryingNothing(fd);
        return fail(errnoStatus("fsync", e));
    }
    if (written) {
        struct stat st {};
        if (::fstat(fd, &st) == 0)
            *written = {st.st_dev, st.st_ino};
    }
    if (closeRetryingNothing(fd) != 0)
        return fail(errnoStatus("close", errno));
    if (::rename(temp.c_str(), path.c_str()) != 0)
        return fail(errnoStatus("rename", errno));
    return lock.sync();
}

bool removeLeftoverTemporaries(const fs::path& path)
{
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    // Not held: a save is under way here or in another process, and its temporary file is
    // not a leftover. The next load cleans up.
    const FolderLock lock(folder, FolderLock::Mode::ExclusiveForCleanup);
    if (!lock.held())
        return false;
    const std::string prefix = temporaryPrefix(path);
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        std::error_code typeError;
        // Only files: a FIFO or a folder named like a leftover belongs to someone else.
        if (it->symlink_status(typeError).type() == fs::file_type::regular)
            ::unlink(it->path().c_str());
    }
    return true;
}

} // namespace kavio
