#pragma once
// Copies of videos that may be gigabytes: off the main thread, with progress and cancel,
// and never half a file. The copy goes to a hidden temporary file in the destination
// folder and takes its name only when complete and synced, never over anything there.

#include "library/Status.h"

#include <atomic>
#include <cstdint>
#include <filesystem>

namespace kavio {

// Shared by the copying thread and the one showing its progress.
class CopyControl {
public:
    CopyControl() = default;
    CopyControl(const CopyControl&) = delete;
    CopyControl& operator=(const CopyControl&) = delete;

    void cancel() { cancelled_ = true; }
    bool isCancelled() const { return cancelled_; }
    std::uint64_t done() const { return done_; }
    std::uint64_t total() const { return total_; }

    // Set by the copy.
    void setTotal(std::uint64_t total) { total_ = total; }
    void setDone(std::uint64_t done) { done_ = done; }

private:
    std::atomic<bool> cancelled_{false};
    std::atomic<std::uint64_t> done_{0};
    std::atomic<std::uint64_t> total_{0};
};

enum class CopyMethod { Clone, CopyFileRange, ReadWrite };

// A complete, synced copy waiting in a hidden temporary file of its destination folder,
// locked for as long as this object lives so no cleanup takes it for a leftover. It takes
// its name with placeAs (the caller holding the folder's lock when the folder is a
// library's), or goes when this object does.
class StagedCopy {
public:
    StagedCopy(std::filesystem::path path, int fd);
    StagedCopy(StagedCopy&& other) noexcept;
    StagedCopy& operator=(StagedCopy&&) = delete;
    StagedCopy(const StagedCopy&) = delete;
    StagedCopy& operator=(const StagedCopy&) = delete;
    ~StagedCopy();

    const std::filesystem::path& path() const { return path_; }
    // Renamed to to, never over anything there. The name is not yet synced.
    Status placeAs(const std::filesystem::path& to);

private:
    std::filesystem::path path_;
    int fd_ = -1;
    bool placed_ = false;
};

// The kernel's fastest way first: a reflink clone (instant on btrfs, XFS), then
// copy_file_range, then large blocks, into a temporary file in to's folder. AlreadyExists
// when to is taken (checked before the first byte), Cancelled on request; any failure
// removes the temporary file. method, when given, says which way the bytes went.
Result<StagedCopy> stageCopy(const std::filesystem::path& from, const std::filesystem::path& to,
                             CopyControl* control = nullptr, CopyMethod* method = nullptr);

// A staged copy put in place at once, its name synced: for folders that are no library's
// (an export's own folder). AlreadyExists when to is taken, before and at the end.
Status copyFileNoReplace(const std::filesystem::path& from, const std::filesystem::path& to,
                         CopyControl* control = nullptr, CopyMethod* method = nullptr);

// Whether a rename can take from to the folder to (the same file system).
bool renameReaches(const std::filesystem::path& from, const std::filesystem::path& toFolder);

// A rename where source and destination share a file system; elsewhere a copy as above
// followed by removing the source. Never over anything at to.
Status moveFileNoReplace(const std::filesystem::path& from, const std::filesystem::path& to,
                         CopyControl* control = nullptr);

// The prefix of the copies' temporary files: hidden, so no listing shows them.
inline constexpr char kCopyTemporaryPrefix[] = ".kavio-copy-";

} // namespace kavio
