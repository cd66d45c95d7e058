#pragma once
// The saved-videos store of one folder: "KavioSave.plist", an XML property-list
// dictionary mapping each record's key to an array of keyed archives of MovieInfo.

#include "library/archive/MovieInfo.h"
#include "library/plist/Value.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace kavio {

inline constexpr char kStoreFileName[] = "KavioSave.plist";

using RecordPtr = std::shared_ptr<MovieInfo>;
using RecordList = std::vector<RecordPtr>;
using StoreDictionary = plist::Dictionary;

struct StoreLoad {
    // Absent when a file is there but is not a readable dictionary: writes are then
    // refused so the unreadable file stays as it is.
    std::shared_ptr<StoreDictionary> prefsDict;
    // Always a new list of new records (ascending key order, items in array order).
    std::shared_ptr<RecordList> records;
    std::size_t skipped = 0; // values or archives that did not decode
    Status status;           // why the file could not be read, ok otherwise
};

// Reads the store at path. An unchanged file (same identity, size and times) is not
// parsed again; the caller still gets new objects it may change freely.
StoreLoad loadStore(const std::filesystem::path& storePath);

// Decodes every item of every value in load order (ascending key, then array order) and
// hands each result to visit with the key it is filed under; a value that is not an
// array is reported once as a failure.
void visitRecords(const StoreDictionary& dict,
                  const std::function<void(const std::string& key, Result<MovieInfo> record)>& visit);

// Decodes the records of a store dictionary, skipping what does not decode.
std::shared_ptr<RecordList> decodeRecords(const StoreDictionary& dict, std::size_t* skipped = nullptr);

// The first record whose FILENAME equals baseName exactly (bytes, case-sensitive): how
// a listed file finds its record and the queue position of a chosen video.
std::optional<std::size_t> findRecord(const RecordList& records, std::string_view baseName);

// The store's bytes as Apple's dictionary writer produces them.
std::string serializeStore(const StoreDictionary& dict);
// LimitExceeded when the store's own readers would refuse the result (every record in it
// would be lost to them).
Status checkStoreWithinReaderLimits(const StoreDictionary& dict, std::size_t serializedSize);
// Atomic replacement; the old file survives any failure. Refuses, writing nothing, a store
// the readers would refuse. Only a FolderChange writes a store in a library (it holds the
// folder's lock); others call this on folders nobody else sees.
Status writeStore(const std::filesystem::path& storePath, const StoreDictionary& dict);

// Drops every cached parse (tests, and memory pressure).
void clearStoreCache();

} // namespace kavio
