#pragma once
// What the library's file code shares at the system-call level: a descriptor closed when
// it goes out of scope, a failed call as a Status, and a write that writes everything.

#include "library/Status.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <sys/statfs.h>
#include <unistd.h>
#include <utility>

namespace kavio {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    // The caller closes it now (and checks the close).
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

// "what: reason" from the error number a failed call left.
inline Status errnoStatus(const std::string& what, int error = errno)
{
    return Status::ioError(what + ": " + std::strerror(error));
}

inline Status writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errnoStatus("write");
        }
        if (n == 0)
            return Status::ioError("write: no progress");
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return Status::ok();
}

// Makes everything written on the volume of fd durable in one call, where the file
// system's syncfs writes every dirty inode with its data (local disks); false elsewhere
// (network and FUSE mounts) or when it fails, and the caller syncs each file instead.
inline bool syncWholeVolume(int fd)
{
    struct statfs volume {};
    if (::fstatfs(fd, &volume) != 0)
        return false;
    switch (static_cast<unsigned long>(volume.f_type)) {
    case 0xEF53:     // ext2, ext3, ext4
    case 0x58465342: // xfs
    case 0x9123683E: // btrfs
    case 0xF2F52010: // f2fs
    case 0x4d44:     // vfat
    case 0x2011BAB0: // exfat
    case 0x7366746e: // ntfs3
    case 0x01021994: // tmpfs
        return ::syncfs(fd) == 0;
    default: return false;
    }
}

} // namespace kavio
