#include "AtomicFile.h"

#include "library/FolderLock.h"
#include "library/Posix.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace kavio {

namespace fs = std::filesystem;

namespace {

int closeRetryingNothing(int fd)
{
    // close() must not be retried on EINTR on Linux: the descriptor is already gone.
    return ::close(fd);
}

// A save holds the folder's lock shared from the creation of its temporary file to the
// rename; a cleanup takes it exclusively, so it only ever runs while no save is under way,
// in this process or another. A lock on the folder (not on the temporary file) leaves no
// moment between creating the file and locking it in which a load could take it for a
// leftover. A cleanup holds it for one scan of the folder and a change for one small
// write: wait for them, but not forever.
constexpr std::chrono::milliseconds kSaveWaitsForLock{2000};

std::optional<FolderLock> lockForSave(const fs::path& folder, FolderLocking locking)
{
    if (locking == FolderLocking::HeldByCaller)
        return std::nullopt;
    Result<FolderLock> lock = FolderLock::acquire(folder, LockMode::Shared, kSaveWaitsForLock);
    if (!lock)
        return std::nullopt; // held too long elsewhere: save anyway; the old file survives any failure
    return std::move(lock).value();
}

} // namespace

std::string temporaryPrefix(const fs::path& path)
{
    return "." + path.filename().string() + ".tmp-";
}

Status writeFileAtomically(const fs::path& path, std::string_view bytes, FolderLocking locking)
{
    return writeFileAtomically(path, [bytes](const ByteWriter& write) { return write(bytes); }, nullptr, locking);
}

Status writeFileAtomically(const fs::path& path, const std::function<Status(const ByteWriter& write)>& produce,
                           WrittenFile* written, FolderLocking locking)
{
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    // Opened first: a folder that cannot be synced after the rename fails the save before
    // anything is written.
    const FileDescriptor folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd.get() < 0)
        return errnoStatus("open folder");
    const std::optional<FolderLock> lock = lockForSave(folder, locking);
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
    if (::fsync(folderFd.get()) != 0)
        return errnoStatus("fsync folder");
    return Status::ok();
}

bool removeLeftoverTemporaries(const fs::path& path)
{
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    // Not held: a save is under way here or in another process, and its temporary file is
    // not a leftover. The next load cleans up. Without locks on the file system nothing
    // tells the two apart, and nothing is removed.
    const Result<FolderLock> lock = FolderLock::acquire(folder, LockMode::Exclusive, std::chrono::milliseconds(0));
    if (!lock || !lock->enforced())
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
