#pragma once
// The stand-in for the phone's photo export: a video picked from the Videos folder is
// first copied next to where it will go (a hidden folder inside the destination, so the
// editor's move into place is a rename), and the editor consumes that copy. The export's
// folder stays locked while it may be consumed, so no cleanup of the destination takes it
// for a crashed export's leftover.

#include "library/FileCopy.h"
#include "library/FolderChange.h"

#include <filesystem>
#include <memory>

namespace kavio::phone {

class ExportFolder {
public:
    // A new hidden folder in destination, born and locked under the destination's shared
    // lock.
    static Result<std::shared_ptr<ExportFolder>> make(const std::filesystem::path& destination);
    ExportFolder(std::filesystem::path path, int fd);
    ExportFolder(const ExportFolder&) = delete;
    ExportFolder& operator=(const ExportFolder&) = delete;
    // What the editor left of the export goes with its folder.
    ~ExportFolder();

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    int fd_ = -1;
};

struct Export {
    std::shared_ptr<ExportFolder> folder;
    std::filesystem::path file; // the copy, under the video's own name
};

// Copies video into a new export of destination; it may take minutes (run it off the main
// thread). A failure leaves nothing.
Result<Export> exportVideo(const std::filesystem::path& video, const std::filesystem::path& destination,
                           CopyControl* control);

// The export file (if still there) and its folder go; anything else is left alone.
void discardExport(const std::filesystem::path& exportFile);

} // namespace kavio::phone
