#include "FileCopy.h"

#include "library/FileMoves.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kavio {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kChunk = 8u << 20; // between progress reports and cancel checks
constexpr std::size_t kBlock = 1u << 20; // the read/write fallback's buffer

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

Status copyFileNoReplace(const fs::path& from, const fs::path& to, CopyControl* control, CopyMethod* method)
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
    Descriptor dst(::mkostemp(temp.data(), O_CLOEXEC));
    if (dst.get() < 0)
        return errnoStatus("create the copy", errno);
    auto fail = [&](Status s) {
        ::unlink(temp.c_str());
        return s;
    };
    ::fchmod(dst.get(), st.st_mode & 0666);
    CopyMethod used = CopyMethod::ReadWrite;
    if (Status s = copyBytes(src.get(), dst.get(), static_cast<std::uint64_t>(st.st_size), control, used); !s)
        return fail(s);
    if (::fsync(dst.get()) != 0)
        return fail(errnoStatus("sync the copy", errno));
    if (::close(dst.release()) != 0)
        return fail(errnoStatus("close the copy", errno));
    if (Status s = moveNoReplace(temp, to); !s)
        return fail(s);
    if (method)
        *method = used;
    // The name is durable with its folder.
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
    return Status::ok();
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
