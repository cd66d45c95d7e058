#pragma once
// The stand-in for the phone's photo export: a video picked from the Videos folder is
// first copied next to where it will go (a hidden folder inside the destination, so the
// editor's move into place is a rename), and the editor consumes that copy.

#include <filesystem>
#include <string>

namespace kavio::phone {

inline constexpr char kExportFolderPrefix[] = ".kavio-export-";

// A new hidden folder in destination for one export; empty on failure.
std::filesystem::path makeExportFolder(const std::filesystem::path& destination);

// The export file (if still there) and its folder go; anything else is left alone.
void discardExport(const std::filesystem::path& exportFile);

} // namespace kavio::phone
