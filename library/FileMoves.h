#pragma once
// Moves that never overwrite, and deletion that a slip of the finger can undo.

#include "library/Status.h"
#include "library/Trash.h"

#include <filesystem>

namespace kavio {

// Renames from to to, failing with AlreadyExists when anything (even a dangling link) is
// at to. Atomic where the file system supports a no-replace rename; elsewhere the check
// and the rename are as close together as a plain rename allows.
Status moveNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

// Moves the file, folder (with everything in it) or link to the desktop's trash, and says
// where it went so that it can be put back. Never erases: where no trash can take it,
// nothing is removed and the Status names it and says why. NotFound when nothing is there.
Result<TrashedEntry> removeToTrash(const std::filesystem::path& path);

} // namespace kavio
