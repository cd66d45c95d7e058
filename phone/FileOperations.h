#pragma once
// The phone browser's file operations as plain functions over a folder model: no widgets,
// so the screen, kavio-store and the tests all run the same code. Each returns what
// happened; the caller decides what the person sees. An operation either completes or
// changes nothing (a failed folder rename, refused by the file system, changes nothing and
// says so only in the log).
//
// Each is one change of the folder (FolderChange): it waits up to wait for the folder's
// lock and is Busy, having changed nothing, when another program holds it longer; it
// decides on the folder as reloaded under the lock, never on the list drawn earlier.

#include "library/FolderListing.h"
#include "library/FolderModel.h"
#include "library/Trash.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavio::phone {

// The entry an action was opened on, held by name and record key rather than by position:
// a reload between the menu and the action must not turn it into another video.
struct EntryRef {
    std::string name;
    EntryKind kind = EntryKind::Video;
    std::optional<std::string> recordKey; // the entry's record when the menu opened
};

EntryRef entryRefFor(const FolderModel& model, const FolderEntry& entry);
// The entry named name in the model's folder, as the last listing saw it.
std::optional<EntryRef> entryRefNamed(const FolderModel& model, std::string_view name);

struct Outcome {
    enum class Kind {
        Done,
        Refused, // the input or the item's state; nothing changed
        Failed,  // the system refused; nothing changed
        Busy,    // another program held the folder; nothing changed (try again)
    };
    Kind kind = Kind::Done;
    std::string message;              // the "Err" alert's message; empty: no alert
    std::optional<MovieInfo> record;  // the record created or changed
    std::vector<std::string> log;     // lines for the system log

    bool done() const { return kind == Kind::Done; }
    static Outcome refused(std::string message) { return {Kind::Refused, std::move(message), {}, {}}; }
    static Outcome failed(std::string message) { return {Kind::Failed, std::move(message), {}, {}}; }
    static Outcome busy();
};

inline constexpr char kErrTitle[] = "Err";
inline constexpr char kFailedToDelete[] = "Failed to delete.";
inline constexpr char kFolderAlreadyExists[] = "Folder already exists.";
inline constexpr char kFolderBusyTitle[] = "Folder Busy";
inline constexpr char kFolderBusy[] = "Another program is changing this folder. Nothing was changed.";

using LockWait = std::chrono::milliseconds;

// Creates the folder typedName (nested when it holds "/") in the model's folder; never
// inside or over anything that is not a plain folder of its own.
Outcome createFolder(FolderModel& model, std::string_view typedName, LockWait wait = {});

// A video gets the title newName (its extension never changes) and, when artist is not
// empty, that artist; it keeps its key. A folder gets the name newName, carrying its store.
Outcome renameEntry(FolderModel& model, const EntryRef& entry, std::string_view newName, std::string_view artist = {},
                    LockWait wait = {});

// One entry that went to the trash, with what it takes to bring it back.
struct RemovedItem {
    enum class Kind { Video, Folder, Other, Store };
    std::string name; // in its folder, exact bytes
    Kind kind = Kind::Video;
    TrashedEntry trashed;
    std::optional<MovieInfo> record;   // a video's own record, taken out of the store with it
    std::filesystem::path keptRecord;  // where Kavio's state keeps that record (see RemovedRecords)
};

// What one removal took from one folder: what its notice names and Undo puts back.
struct Removal {
    std::filesystem::path folder;
    std::vector<RemovedItem> items;
    bool empty() const { return items.empty(); }
};

// An entry no trash would take: it stays where it is, and may be erased on purpose.
struct Untrashable {
    EntryRef entry;
    std::string reason; // the trash's own words, naming the entry
};

struct RemovalOutcome : Outcome {
    Removal removal;                       // what went to the trash
    std::vector<Untrashable> untrashable;  // what stayed because no trash takes it
};

// Called with how many entries are settled of how many; false stops what has not moved.
using RemovalProgress = std::function<bool(std::size_t settled, std::size_t total)>;

// Moves the entry to the trash (never erases: where no trash can take it, it stays and the
// outcome names it among untrashable); a video's own record leaves the store and is kept
// in Kavio's state, so that it comes back with the video.
RemovalOutcome removeEntry(FolderModel& model, const EntryRef& entry, LockWait wait = {});

// Erases the entries for good, each video with its record: a separate action the person
// chose and confirmed, never a fallback. What could not be erased is named.
RemovalOutcome erasePermanently(FolderModel& model, const std::vector<EntryRef>& entries, LockWait wait = {});

// Puts what a removal took back under its names with its records, in one change of its
// folder. What is no longer in the trash (emptied, or restored elsewhere) or whose name is
// taken now stays where it is and is named; nothing at all comes back when none of it can.
Outcome restoreRemoval(FolderModel& model, const Removal& removal, LockWait wait = {}, const RemovalProgress& progress = {});

// The latest removal of the entry named name from the model's folder, as the trash and
// Kavio's state have it; an empty removal when no trash holds one.
Removal latestRemovalOf(const FolderModel& model, const std::string& name);

// What a removal's notice says: "\"Beach Day\" moved to the trash", "3 videos and 1 folder
// moved to the trash"; and once Undo put it back, "... put back".
std::string removalNotice(const Removal& removal);
std::string restoredNotice(const Removal& removal);

// The picture becomes the video's thumbnail (kept as it is up to 1 MB, else PNG scaled to
// fit 1024x1024).
Outcome changeThumbnail(FolderModel& model, const EntryRef& entry, const std::filesystem::path& picture,
                        LockWait wait = {});

enum class Disposal { ToTrash, EraseForGood };

// "Deleting Videos": every entry of the model's folder, hidden ones and the store
// included, goes to the trash (or, asked for on purpose, is erased); one that cannot go
// is skipped, the others still go, and the outcome names each one that stayed. Kavio's
// own bookkeeping (a change's intent, copies and exports other programs are making)
// stays, and so does the store while a record in it still names a file.
RemovalOutcome emptyFolder(FolderModel& model, LockWait wait = {}, Disposal disposal = Disposal::ToTrash,
                           const RemovalProgress& progress = {});

} // namespace kavio::phone
