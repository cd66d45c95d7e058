#pragma once
// Every change to a library folder is one transaction: it holds the folder's writer lock
// from the reload it decides on to its synced write, and a change of a file and its record
// survives a crash at any point.
//
// A change with a file step (a video renamed, created, moved in or trashed) first writes a
// small hidden intent file naming what the store gets once the step is done, syncs it,
// runs the step, writes the store (its sync of the folder makes the step durable too) and
// removes the intent. The intent
// holds store edits only, each decided by the file it names: a record is filed when its
// file is there, taken out when its file is gone. Whoever next holds the lock (a change, or
// a load that finds it free) applies the intent the same way, so a crash anywhere ends as
// if the change had not started or had finished; a load that cannot take the lock shows
// the store with the intent applied in memory. The store itself keeps exactly the format
// its peers read.

#include "library/FolderLock.h"
#include "library/FolderModel.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kavio {

// Kavio's own hidden entries in a library folder: the intent of a change under way, copies
// being made, exports waiting for the editor. Never listed, never emptied with the folder.
inline constexpr char kKavioEntryPrefix[] = ".kavio-";
inline constexpr char kIntentFileName[] = ".kavio-intent";
inline constexpr char kExportFolderPrefix[] = ".kavio-export-";

// How long a writer waits for a folder another writer holds.
inline constexpr std::chrono::milliseconds kWindowWaitsForFolder{2000};
inline constexpr std::chrono::milliseconds kToolWaitsForFolder{10000};

struct StoreEdit {
    enum class Kind {
        File,    // the record goes in under key (replacing what is there) once name exists
        TakeOut, // the record under key leaves once name is gone
    };
    Kind kind = Kind::File;
    std::string key;
    std::string name;      // the record's file in the folder
    plist::Bytes archive;  // File: the record's keyed archive
};

class FolderChange {
public:
    // Takes the lock of model's folder (waiting up to wait; Busy past it), finishes a change
    // a crash interrupted, removes what killed writers left and reloads model's store: what
    // the change decides on.
    static Result<FolderChange> begin(FolderModel& model, std::chrono::milliseconds wait);

    FolderChange(FolderChange&& other) noexcept;
    FolderChange& operator=(FolderChange&&) = delete;
    FolderChange(const FolderChange&) = delete;
    FolderChange& operator=(const FolderChange&) = delete;
    ~FolderChange();

    FolderModel& model() const { return *model_; }
    const FolderLock& lock() const { return lock_; }

    // A key no record of the reloaded store and no record filed by this change has.
    std::string newRecordKey(std::chrono::system_clock::time_point now = std::chrono::system_clock::now()) const;

    // Store edits for commit: a record filed under its KEY (new, or replacing the one
    // there), or taken out.
    void saveMovieModules(const MovieInfo& record);
    void removeRecord(const MovieInfo& record);

    // Runs step (when given) between the intent and the store write, then files the edits:
    // after a step each as its file says, without one all of them. A store that cannot be
    // written has undo put the step back before the failure returns; a failed step leaves
    // the store as it was. The model then holds what is on disk.
    Status commit(const std::function<Status()>& step = {}, const std::function<Status()>& undo = {});

private:
    FolderChange(FolderModel& model, FolderLock lock);

    FolderModel* model_;
    FolderLock lock_;
    std::vector<StoreEdit> edits_;
};

// For loads, which never wait: whether a change is unfinished in folder after finishing it
// when the folder's lock is free this moment.
bool changeUnfinished(const std::filesystem::path& folder);
// The unfinished change's edits applied to dict in memory only; true when dict changed.
bool overlayUnfinishedChange(const std::filesystem::path& folder, StoreDictionary& dict);

// Records of removed videos whose files came back to folder (see RemovedRecords); names:
// the folder's videos that have no record of their own in dict. Filed in the store when
// the folder's lock is free this moment (dict is then the store as written); nothing
// while another writer holds it; put in dict in memory only where the folder cannot be
// locked at all. True when dict changed.
bool bringBackReturningRecords(const std::filesystem::path& folder, const std::vector<std::string>& names,
                               StoreDictionary& dict);
// The videos of listing without a record of their own (title and extension) in records.
std::vector<std::string> videosWithoutOwnRecord(const std::vector<FolderEntry>& listing, const RecordList& records);

// What a window that may change folder does on opening it: when the lock is free this
// moment, finishes an interrupted change and removes what killed writers left.
void tidyFolder(const std::filesystem::path& folder);

} // namespace kavio
