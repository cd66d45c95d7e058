#pragma once
// One writer per folder at a time, across processes. The lock is an flock on the folder
// itself: it travels with the folder when the folder is renamed and leaves no file behind.
// A change holds it exclusively from the reload it decides on to its synced write; makers
// of hidden temporaries (copies, exports) hold it shared only while they create and lock
// their temporary, so a writer cleaning up never takes one being born for a leftover.

#include "library/Status.h"

#include <chrono>
#include <filesystem>

namespace kavio {

enum class LockMode { Exclusive, Shared };

class FolderLock {
public:
    // Polls without blocking until wait has passed: Busy when another holder keeps the lock
    // longer, NotFound when no folder is there. Where the file system has no locks (some
    // network mounts) the lock is granted unenforced and the caller goes ahead as the one
    // writer.
    static Result<FolderLock> acquire(const std::filesystem::path& folder, LockMode mode,
                                      std::chrono::milliseconds wait);

    FolderLock(FolderLock&& other) noexcept;
    FolderLock& operator=(FolderLock&& other) noexcept;
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    ~FolderLock();

    const std::filesystem::path& folder() const { return folder_; }
    bool enforced() const { return enforced_; }
    // Makes the folder's entries (names created, renamed, removed) durable.
    Status sync() const;

private:
    FolderLock(std::filesystem::path folder, int fd, bool enforced);

    std::filesystem::path folder_;
    int fd_ = -1;
    bool enforced_ = false;
};

// Locks the file or folder open at fd for as long as fd stays open, so that a writer's
// cleanup leaves it alone. Call it before the folder's shared lock is let go.
void holdWhileWorking(int fd);
// Whether nobody holds the file open at fd, which then is a leftover of a killed process;
// the lock taken to find out goes with fd. False where the file system has no locks:
// nothing tells a live temporary from a leftover there.
bool isAbandoned(int fd);

} // namespace kavio
