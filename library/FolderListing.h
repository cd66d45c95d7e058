#pragma once
// A folder's immediate entries as both browsers show them: subfolders and video files,
// in the order the directory returns them.

#include <QString>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kavio {

enum class EntryKind { Folder, Video };

struct FolderEntry {
    std::filesystem::path path;
    std::string name; // raw bytes of the name, as the file system has it
    EntryKind kind = EntryKind::Folder;

    // The name for the screen; bytes that are not UTF-8 show as replacement characters.
    QString displayName() const;
    // Name without its last extension ("clip.final.mp4" gives "clip.final").
    std::string baseName() const;
};

// One rule for both browsers: the extension (after the last dot), compared without
// regard to case, contains "mp4", "mov" or "m4v".
bool isVideoFileName(std::string_view name);

// Name without its last extension; a name whose only dot leads it keeps it whole.
std::string baseNameOf(std::string_view name);

struct Listing {
    std::vector<FolderEntry> entries;
    bool folderExists = false; // false: nothing at the path (the phone browser leaves)
};

// Hidden (dot) entries are skipped; anything that is not a regular file, including an
// entry whose kind cannot be read, is a folder; regular files must pass the video test.
Listing listFolder(const std::filesystem::path& folder);

} // namespace kavio
