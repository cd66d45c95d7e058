#pragma once
// The desktop's trash as file managers and trash tools share it: a removed entry is renamed
// into the trash of its own volume, beside a .trashinfo saying where it was and when it
// went. Never copied across volumes, never followed through a link (a link goes as a
// link), never erased: where no trash can take an entry, it stays where it is.

#include "library/Status.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kavio {

// One entry in a trash: enough to put it back.
struct TrashedEntry {
    std::filesystem::path original; // where it was: absolute, its folder's links resolved
    std::filesystem::path trashDir;  // $XDG_DATA_HOME/Trash, $topdir/.Trash/$uid or $topdir/.Trash-$uid
    std::string name;                // its name in trashDir/files; name + ".trashinfo" in trashDir/info
    std::string deletionDate;        // as the .trashinfo has it: YYYY-MM-DDThh:mm:ss, local time
    // The trashed entry itself (its birth time in nanoseconds where the file system keeps
    // one), so that another entry given the same trash name after the trash was emptied is
    // never taken for it.
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t born = 0;
    // What a file brought back from the trash by any program still has: its size and
    // modification time (nanoseconds since the epoch), by which its record is known again.
    std::uint64_t size = 0;
    std::int64_t modified = 0;

    std::filesystem::path filesPath() const { return trashDir / "files" / name; }
    std::filesystem::path infoPath() const { return trashDir / "info" / (name + ".trashinfo"); }
};

// Moves the file, folder or link at path into a trash: the home trash when path is on the
// same volume as $XDG_DATA_HOME (else ~/.local/share), else $topdir/.Trash/$uid (when
// .Trash is a sticky folder, not a link), else $topdir/.Trash-$uid, $topdir being the
// mount point of the volume path is on. When no trash takes it nothing is removed and the
// Status names the entry and says why; NotFound when nothing is at path.
Result<TrashedEntry> moveToTrash(const std::filesystem::path& path);

// Called as each entry of a batch is settled (moved or refused), with how many are; false
// stops the batch: what has not moved yet stays where it is, Cancelled.
using TrashProgress = std::function<bool(std::size_t settled)>;

// Many entries at once, each as moveToTrash moves it, with far fewer syncs: the trash
// records of a run of entries are written first and made durable together, then the
// entries are renamed and their folders synced once. A record is always on disk before
// its entry moves. One result per path, in order.
std::vector<Result<TrashedEntry>> moveAllToTrash(const std::vector<std::filesystem::path>& paths,
                                                 const TrashProgress& progress = {});

// Puts a trashed entry back at its original path and removes its .trashinfo. Never
// replaces anything: AlreadyExists when something has the original name; NotFound when the
// entry is no longer in the trash (emptied, or restored by another program) or its folder
// is gone.
Status restoreFromTrash(const TrashedEntry& entry);

// Many entries put back, each as restoreFromTrash puts it back, with each folder synced
// once. One result per entry, in order; once progress answers false, the rest stay in the
// trash, Cancelled.
std::vector<Status> restoreAllFromTrash(const std::vector<TrashedEntry>& entries, const TrashProgress& progress = {});

// Whether the entry is still in its trash, as it went (not another entry given its trash
// name after the trash was emptied).
bool stillInTrash(const TrashedEntry& entry);

// What the trashes that path would go to hold of entries removed from path exactly,
// oldest first. Unreadable trashes and .trashinfo files count as holding nothing.
std::vector<TrashedEntry> trashedFrom(const std::filesystem::path& path);

// Erases the file, link or folder (with everything in it) at path for good: a deliberate,
// confirmed action, never a fallback. Links are removed, never followed; nothing on
// another volume mounted inside is touched. Goes on past what cannot be erased and names
// every such item in the Status.
Status erasePermanently(const std::filesystem::path& path);

} // namespace kavio
