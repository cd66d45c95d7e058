#pragma once
// The state both folder browsers hold for the folder they show: its store (path,
// dictionary, records) and its listing, with the load and lookups. Records are written
// through a FolderChange, which reloads this model under the folder's lock first.

#include "library/FolderListing.h"
#include "library/SavedVideosStore.h"

#include <QString>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>

namespace kavio {

class FolderModel {
public:
    explicit FolderModel(std::filesystem::path folder);
    FolderModel(const FolderModel&) = delete;
    FolderModel& operator=(const FolderModel&) = delete;

    // Re-reads the store into a new prefsDict and a new save_items list; holders of the
    // previous list (a player's queue, an editor) keep theirs unchanged. A change that a
    // crash interrupted is finished first when the folder is free, else shown as finished.
    void loadMp4Files();
    // Rebuilds the listing and the title from the folder.
    void loadContent();
    // Both, store first; then videos back from the trash (restored by another program)
    // get their records again (see bringBackReturningRecords).
    void reloadContent();

    const std::filesystem::path& currentURL() const { return currentURL_; }
    QString title() const;
    const std::filesystem::path& PLIST_PATH() const { return PLIST_PATH_; }
    // Absent while the store file is there but unreadable: writes are then refused.
    const std::shared_ptr<StoreDictionary>& prefsDict() const { return prefsDict_; }
    const std::shared_ptr<RecordList>& save_items() const { return save_items_; }
    const std::vector<FolderEntry>& dirCon() const { return dirCon_; }
    bool folderExists() const { return folderExists_; }
    const Status& storeStatus() const { return storeStatus_; }
    std::size_t skippedRecords() const { return skipped_; }

    // Position in save_items of the first record whose title equals the entry's name
    // without its last extension (exact bytes, case-sensitive).
    std::optional<std::size_t> recordIndexFor(const FolderEntry& entry) const;
    std::optional<std::size_t> recordIndexForBaseName(std::string_view baseName) const;
    // Position in save_items of the record filed under key.
    std::optional<std::size_t> recordIndexForKey(std::string_view key) const;
    // The store's folder joined with FILENAME "." EXTENSION.
    std::filesystem::path recordFilePath(const MovieInfo& record) const;

    // A key for a new record, never one already in prefsDict (unique in the folder while
    // a FolderChange holds it).
    std::string newRecordKey(std::chrono::system_clock::time_point now = std::chrono::system_clock::now()) const;

private:

    std::filesystem::path currentURL_;
    std::filesystem::path PLIST_PATH_;
    std::shared_ptr<StoreDictionary> prefsDict_;
    std::shared_ptr<RecordList> save_items_;
    std::vector<FolderEntry> dirCon_;
    bool folderExists_ = false;
    Status storeStatus_;
    std::size_t skipped_ = 0;
};

} // namespace kavio
