#include "FolderModel.h"

#include "library/FolderChange.h"
#include "library/ListingOrder.h"
#include "library/RecordKey.h"
#include "library/Utf8.h"

namespace kavio {

namespace fs = std::filesystem;

FolderModel::FolderModel(fs::path folder)
    : currentURL_(std::move(folder)), save_items_(std::make_shared<RecordList>())
{
}

void FolderModel::loadMp4Files()
{
    if (PLIST_PATH_.empty())
        PLIST_PATH_ = currentURL_ / kStoreFileName;
    const bool unfinished = changeUnfinished(currentURL_);
    StoreLoad load = loadStore(PLIST_PATH_);
    if (unfinished && load.prefsDict && overlayUnfinishedChange(currentURL_, *load.prefsDict))
        load.records = decodeRecords(*load.prefsDict, &load.skipped);
    prefsDict_ = std::move(load.prefsDict);
    save_items_ = std::move(load.records);
    storeStatus_ = std::move(load.status);
    skipped_ = load.skipped;
}

void FolderModel::loadContent()
{
    Listing listing = listFolder(currentURL_);
    folderExists_ = listing.folderExists;
    dirCon_ = std::move(listing.entries);
    sortListing(dirCon_, *save_items_);
}

void FolderModel::reloadContent()
{
    loadMp4Files();
    loadContent();
    // Videos brought back from the trash by another program get their records again.
    if (prefsDict_ && bringBackReturningRecords(currentURL_, videosWithoutOwnRecord(dirCon_, *save_items_), *prefsDict_))
        save_items_ = decodeRecords(*prefsDict_, &skipped_);
}

QString FolderModel::title() const
{
    const std::string name = currentURL_.filename().empty() ? currentURL_.parent_path().filename().string()
                                                             : currentURL_.filename().string();
    return fromUtf8(name);
}

std::optional<std::size_t> FolderModel::recordIndexFor(const FolderEntry& entry) const
{
    return recordIndexForBaseName(entry.baseName());
}

std::optional<std::size_t> FolderModel::recordIndexForBaseName(std::string_view baseName) const
{
    return findRecord(*save_items_, baseName);
}

std::optional<std::size_t> FolderModel::recordIndexForKey(std::string_view key) const
{
    for (std::size_t i = 0; i < save_items_->size(); ++i) {
        const RecordPtr& r = (*save_items_)[i];
        if (r && r->KEY && *r->KEY == key)
            return i;
    }
    return std::nullopt;
}

fs::path FolderModel::recordFilePath(const MovieInfo& record) const
{
    return currentURL_ / (record.FILENAME.value_or("") + "." + record.EXTENSION.value_or(""));
}

std::string FolderModel::newRecordKey(std::chrono::system_clock::time_point now) const
{
    return makeRecordKey(now, [this](std::string_view key) {
        return prefsDict_ && prefsDict_->find(key) != prefsDict_->end();
    });
}

} // namespace kavio
