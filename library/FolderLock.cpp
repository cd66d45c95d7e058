#include "FolderLock.h"

#include "library/Posix.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>

namespace kavio {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// EWOULDBLOCK: someone holds it. Anything else but EINTR (ENOLCK, EOPNOTSUPP, EBADF on a
// mount that emulates flock with record locks): the file system keeps no locks.
enum class Attempt { Held, Taken, NoLocks };

Attempt tryLock(int fd, LockMode mode)
{
    const int operation = (mode == LockMode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    while (::flock(fd, operation) != 0) {
        if (errno == EINTR)
            continue;
        return errno == EWOULDBLOCK ? Attempt::Taken : Attempt::NoLocks;
    }
    return Attempt::Held;
}

// The folder still at its path: a lock won on a folder that was renamed or replaced
// meanwhile locks nothing anyone else will look at.
bool stillAt(int fd, const fs::path& folder)
{
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::stat(folder.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

} // namespace

FolderLock::FolderLock(fs::path folder, int fd, bool enforced)
    : folder_(std::move(folder)), fd_(fd), enforced_(enforced)
{
}

FolderLock::FolderLock(FolderLock&& other) noexcept
    : folder_(std::move(other.folder_)), fd_(std::exchange(other.fd_, -1)), enforced_(other.enforced_)
{
}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        folder_ = std::move(other.folder_);
        fd_ = std::exchange(other.fd_, -1);
        enforced_ = other.enforced_;
    }
    return *this;
}

FolderLock::~FolderLock()
{
    if (fd_ >= 0)
        ::close(fd_); // lets the lock go
}

Result<FolderLock> FolderLock::acquire(const fs::path& folder, LockMode mode, std::chrono::milliseconds wait)
{
    const auto deadline = std::chrono::steady_clock::now() + wait;
    auto pause = 1ms;
    while (true) {
        FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (fd.get() < 0)
            return errno == ENOENT ? Status::notFound(folder.string()) : errnoStatus("open " + folder.string());
        const Attempt attempt = tryLock(fd.get(), mode);
        if (attempt == Attempt::NoLocks)
            return FolderLock(folder, fd.release(), false);
        if (attempt == Attempt::Held) {
            if (stillAt(fd.get(), folder))
                return FolderLock(folder, fd.release(), true);
            continue; // look again at what the path names now
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return Status::busy(folder.string() + " is being changed by another program");
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, 20ms);
    }
}

Status FolderLock::sync() const
{
    if (::fsync(fd_) != 0)
        return errnoStatus("sync folder " + folder_.filename().string());
    return Status::ok();
}

void holdWhileWorking(int fd)
{
    // Shared, so the maker may still make things inside a folder it holds. Made under the
    // folder's shared lock, so no cleanup can be looking at it: this never waits. Without
    // locks on the file system there is nothing to hold.
    (void)tryLock(fd, LockMode::Shared);
}

bool isAbandoned(int fd)
{
    return tryLock(fd, LockMode::Exclusive) == Attempt::Held;
}

} // namespace kavio
