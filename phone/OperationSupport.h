#pragma once
// What the file operations share among their source files: finding the entry an action
// was opened on in the folder as reloaded under its lock, and the words for what stops one.

#include "library/FolderLock.h"
#include "phone/FileOperations.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kavio::phone::detail {

std::string inQuotes(std::string_view name);
std::string extensionOf(std::string_view name);
bool present(const std::filesystem::path& path);

// "\"a.mp4\" changed before the action ran, so nothing was done."
std::string itemChanged(std::string_view name);

// The entry and its record as they are on disk now.
struct Resolved {
    std::filesystem::path path;
    std::optional<std::size_t> record; // the entry's record, its own or shared by name
    bool ownRecord = false;            // the record names this very file
};

// On the model as the change reloaded it: the folder as it is now, not as the menu saw it.
std::optional<Resolved> resolve(const FolderModel& model, const EntryRef& ref);

// Why no change of the folder could begin.
Outcome cannotChange(const Status& status);

// A folder about to be renamed or trashed is not taken from under a writer at work in it:
// Busy while one is. A folder that cannot even be opened has none.
Result<std::optional<FolderLock>> lockSubfolder(const std::filesystem::path& folder, LockWait wait);

} // namespace kavio::phone::detail
