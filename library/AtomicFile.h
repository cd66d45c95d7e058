#pragma once
// Crash-safe replacement of a small file (a store or the settings): the old content or
// the new one survives a power cut at any moment, never a mix or nothing.

#include "library/Status.h"

#include <filesystem>
#include <functional>
#include <string_view>
#include <sys/types.h>

namespace kavio {

// Who keeps a cleanup of the folder from taking the temporary file for a leftover: the
// save itself, holding the folder's lock shared, or a change of the folder that already
// holds it exclusively (a store is only ever written so).
enum class FolderLocking { TakeShared, HeldByCaller };

// Writes a temporary file in the same folder, checks every write, fsyncs it, closes it,
// renames it over path and fsyncs the folder. On failure before the rename the old file
// is untouched and the temporary file is removed. A failure of the folder sync after the
// rename is reported too: the new content is in place but not known to be durable.
Status writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                           FolderLocking locking = FolderLocking::TakeShared);

// The same, the bytes coming from produce, which hands them to its write function piece by
// piece; a failure it returns (or one of a write) leaves the old file as it was. written,
// when given, receives the device and inode of the new file.
struct WrittenFile {
    dev_t device = 0;
    ino_t inode = 0;
};
using ByteWriter = std::function<Status(std::string_view piece)>;
Status writeFileAtomically(const std::filesystem::path& path, const std::function<Status(const ByteWriter& write)>& produce,
                           WrittenFile* written = nullptr, FolderLocking locking = FolderLocking::TakeShared);

// Removes temporary files that a writer of path left behind when it was killed. While a
// save into the same folder is under way (in any process), nothing is removed and the
// result is false: look again at a later load.
bool removeLeftoverTemporaries(const std::filesystem::path& path);

// The prefix of those temporary files: hidden, so folder listings never show them.
std::string temporaryPrefix(const std::filesystem::path& path);

} // namespace kavio
