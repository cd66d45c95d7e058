#pragma once
// Moves that never overwrite, and deletion that a slip of the finger can undo.

#include "library/Status.h"

#include <filesystem>

namespace kavio {

// Renames from to to, failing with AlreadyExists when anything (even a dangling link) is
// at to. Atomic where the file system supports a no-replace rename; elsewhere the check
// and the rename are as close together as a plain rename allows.
Status moveNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

enum class Removal { Trashed, Erased };

// Moves the file or folder (with everything in it) to the desktop's trash; where no trash
// can take it (a file system without one), erases it. NotFound when nothing is there.
Result<Removal> removeToTrash(const std::filesystem::path& path);

} // namespace kavio
