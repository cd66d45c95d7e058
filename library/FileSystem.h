#pragma once
// The file operations an import needs, behind an interface so tests can make any one of
// them fail at any point. Every operation reports what went wrong and never replaces
// anything that is already there.

#include "library/FileCopy.h"
#include "library/Status.h"

#include <filesystem>

namespace kavio {

class FileSystem {
public:
    FileSystem() = default;
    virtual ~FileSystem() = default;
    FileSystem(const FileSystem&) = delete;
    FileSystem& operator=(const FileSystem&) = delete;

    // Anything at the path, a dangling link included.
    virtual bool exists(const std::filesystem::path& path) = 0;
    // An empty file; AlreadyExists when the name is taken.
    virtual Status createEmptyFile(const std::filesystem::path& path) = 0;
    // A copy waiting in a hidden temporary file beside to, for the caller to place.
    virtual Result<StagedCopy> stageCopy(const std::filesystem::path& from, const std::filesystem::path& to,
                                         CopyControl* control) = 0;
    virtual Status move(const std::filesystem::path& from, const std::filesystem::path& to, CopyControl* control) = 0;
    virtual Status remove(const std::filesystem::path& path) = 0;
};

// The real one; safe to use from any thread.
FileSystem& realFileSystem();

} // namespace kavio
