#include "FileCopy.h"

#include "library/FileMoves.h"
#include "library/FolderLock.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
#include <utility>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kavio {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kChunk = 8u << 20; // between progress reports and cancel checks
constexpr std::size_t kBlock = 1u << 20; // the read/write fallback's buffer
// A change holds a folder for a moment; a copy waits for it (off the main thread) longer.
constexpr std::chrono::milliseconds kMakerWaitsForFolder{10000};

Status errnoStatus(const std::string& what, int error)
{
    return Status::ioError(what + ": " + std::strerror(error));
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

bool taken(const fs::path& path)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

Status report(CopyControl* control, std::uint64_t done)
{
    if (control) {
        control->setDone(done);
        if (control->isCancelled())
            return Status::cancelled("the copy was cancelled");
    }
    return Status::ok();
}

// The bytes of src into dst; dst is empty and src at its start.
Status copyBytes(int src, int dst, std::uint64_t total, CopyControl* control, CopyMethod& method)
{
    if (::ioctl(dst, FICLONE, src) == 0) {
        method = CopyMethod::Clone;
        return report(control, total);
    }
    method = CopyMethod::CopyFileRange;
    std::uint64_t done = 0;
    while (true) {
        const ssize_t n = ::copy_file_range(src, nullptr, dst, nullptr, kChunk, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && done == 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
            method = CopyMethod::ReadWrite;
            break;
        }
        if (n < 0)
            return errnoStatus("copy", errno);
        if (n == 0)
            return done == total ? report(control, done) : Status::ioError("the source changed size while being copied");
        done += static_cast<std::uint64_t>(n);
        if (Status s = report(control, done); !s)
            return s;
    }
    auto buffer = std::make_unique<char[]>(kBlock);
    while (true) {
        const ssize_t n = ::read(src, buffer.get(), kBlock);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errnoStatus("read", errno);
        if (n == 0)
            return done == total ? report(control, done) : Status::ioError("the source changed size while being copied");
        for (ssize_t written = 0; written < n;) {
            const ssize_t w = ::write(dst, buffer.get() + written, static_cast<std::size_t>(n - written));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                return errnoStatus("write", w < 0 ? errno : EIO);
            written += w;
        }
        done += static_cast<std::uint64_t>(n);
        if (done % kChunk < static_cast<std::uint64_t>(n))
            if (Status s = report(control, done); !s)
                return s;
    }
}

} // namespace

StagedCopy::StagedCopy(fs::path path, int fd) : path_(std::move(path)), fd_(fd) {}

StagedCopy::StagedCopy(StagedCopy&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)), placed_(other.placed_)
{
    other.placed_ = true; // nothing left for the moved-from object to remove
}

StagedCopy::~StagedCopy()
{
    if (fd_ < 0)
        return;
    struct stat ours {};
    struct stat named {};
    // Only the copy itself: whatever else took the name meanwhile is not ours to remove.
    if (!placed_ && ::fstat(fd_, &ours) == 0 && ::lstat(path_.c_str(), &named) == 0 && ours.st_dev == named.st_dev &&
        ours.st_ino == named.st_ino)
        ::unlink(path_.c_str());
    ::close(fd_);
}

Status StagedCopy::placeAs(const fs::path& to)
{
    if (placed_)
        return Status::notFound("the copy was placed already");
    if (Status s = moveNoReplace(path_, to); !s)
        return s;
    placed_ = true;
    return Status::ok();
}

Result<StagedCopy> stageCopy(const fs::path& from, const fs::path& to, CopyControl* control, CopyMethod* method)
{
    if (taken(to))
        return Status::alreadyExists(to.string());
    Descriptor src(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (src.get() < 0)
        return errno == ENOENT ? Status::notFound(from.string()) : errnoStatus("open " + from.filename().string(), errno);
    struct stat st {};
    if (::fstat(src.get(), &st) != 0)
        return errnoStatus("stat", errno);
    if (!S_ISREG(st.st_mode))
        return Status::unsupported(from.filename().string() + " is not a file");
    if (control)
        control->setTotal(static_cast<std::uint64_t>(st.st_size));

    const fs::path folder = to.has_parent_path() ? to.parent_path() : fs::path(".");
    std::string temp = (folder / (std::string(kCopyTemporaryPrefix) + "XXXXXX")).string();
    int fd = -1;
    {
        // Born and locked under the folder's shared lock: a writer cleaning up holds it
        // exclusively and so only ever sees copies already locked by their maker.
        Result<FolderLock> shared = FolderLock::acquire(folder, LockMode::Shared, kMakerWaitsForFolder);
        if (!shared)
            return shared.status();
        fd = ::mkostemp(temp.data(), O_CLOEXEC);
        if (fd < 0)
            return errnoStatus("create the copy", errno);
        holdWhileWorking(fd);
    }
    StagedCopy staged(temp, fd);
    ::fchmod(fd, st.st_mode & 0666);
    CopyMethod used = CopyMethod::ReadWrite;
    if (Status s = copyBytes(src.get(), fd, static_cast<std::uint64_t>(st.st_size), control, used); !s)
        return s;
    if (::fsync(fd) != 0)
        return errnoStatus("sync the copy", errno);
    if (method)
        *method = used;
    return staged;
}

Status copyFileNoReplace(const fs::path& from, const fs::path& to, CopyControl* control, CopyMethod* method)
{
    Result<StagedCopy> staged = stageCopy(from, to, control, method);
    if (!staged)
        return staged.status();
    if (Status s = staged->placeAs(to); !s)
        return s;
    // The name is durable with its folder.
    const fs::path folder = to.has_parent_path() ? to.parent_path() : fs::path(".");
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0 || ::fsync(dir.get()) != 0)
        return errnoStatus("sync the folder", errno);
    return Status::ok();
}

bool renameReaches(const fs::path& from, const fs::path& toFolder)
{
    struct stat a {};
    struct stat b {};
    return ::stat(from.c_str(), &a) == 0 && ::stat(toFolder.c_str(), &b) == 0 && a.st_dev == b.st_dev;
}

Status moveFileNoReplace(const fs::path& from, const fs::path& to, CopyControl* control)
{
    const Status moved = moveNoReplace(from, to);
    if (moved || moved.code() != Status::Code::IOError || moved.message() != std::strerror(EXDEV))
        return moved;
    if (Status s = copyFileNoReplace(from, to, control); !s)
        return s;
    std::error_code ec;
    if (!fs::remove(from, ec) || ec) {
        // The copy stands; the source could not go. Take the copy back so nothing doubles.
        fs::remove(to, ec);
        return Status::ioError("the source could not be removed after copying");
    }
    return Status::ok();
}

} // namespace kavio
