#include "SavedVideosStore.h"

#include "library/AtomicFile.h"
#include "library/plist/Codec.h"

#include <list>
#include <map>
#include <mutex>
#include <sys/stat.h>

namespace kavio {

namespace fs = std::filesystem;
using plist::Value;
using plist::ValuePtr;

namespace {

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec mtime{};
    timespec ctime{};

    friend bool operator==(const FileIdentity& a, const FileIdentity& b)
    {
        return a.device == b.device && a.inode == b.inode && a.size == b.size &&
               a.mtime.tv_sec == b.mtime.tv_sec && a.mtime.tv_nsec == b.mtime.tv_nsec &&
               a.ctime.tv_sec == b.ctime.tv_sec && a.ctime.tv_nsec == b.ctime.tv_nsec;
    }
};

std::optional<FileIdentity> identityOf(const fs::path& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return FileIdentity{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

// The last parses, immutable, shared with nobody: loads hand out copies. Each value of the
// dictionary remembers the records it decoded to, so a save that changed one record
// decodes that one alone for the cache of what it wrote.
struct CachedValue {
    const plist::Value* value; // owned by the entry's dict
    std::size_t firstRecord;
    std::size_t recordCount;
    std::size_t skipped;
};

struct CachedStore {
    fs::path path;
    FileIdentity identity;
    std::shared_ptr<const StoreDictionary> dict;
    std::vector<std::shared_ptr<const MovieInfo>> records;
    std::vector<CachedValue> values; // in dictionary order
    std::size_t skipped = 0;
};

class StoreCache {
public:
    static StoreCache& instance()
    {
        static StoreCache cache;
        return cache;
    }

    std::optional<CachedStore> find(const fs::path& path, const FileIdentity& id)
    {
        std::lock_guard lock(mutex_);
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->path == path && it->identity == id) {
                entries_.splice(entries_.begin(), entries_, it);
                return *it;
            }
        }
        return std::nullopt;
    }

    // The newest entry for path, whatever file it was read from.
    std::optional<CachedStore> latest(const fs::path& path)
    {
        std::lock_guard lock(mutex_);
        for (const CachedStore& e : entries_) {
            if (e.path == path)
                return e;
        }
        return std::nullopt;
    }

    void put(CachedStore entry)
    {
        std::lock_guard lock(mutex_);
        entries_.remove_if([&](const CachedStore& e) { return e.path == entry.path; });
        entries_.push_front(std::move(entry));
        if (entries_.size() > kCapacity)
            entries_.pop_back();
    }

    void clear()
    {
        std::lock_guard lock(mutex_);
        entries_.clear();
    }

private:
    static constexpr std::size_t kCapacity = 8;
    std::mutex mutex_;
    std::list<CachedStore> entries_;
};

std::shared_ptr<RecordList> copyRecords(const std::vector<std::shared_ptr<const MovieInfo>>& records)
{
    auto list = std::make_shared<RecordList>();
    list->reserve(records.size());
    for (const auto& r : records)
        list->push_back(std::make_shared<MovieInfo>(*r)); // thumbnails are shared, not copied
    return list;
}

Result<MovieInfo> decodeItem(const ValuePtr& item)
{
    const plist::Bytes* bytes = item->data();
    return bytes ? decodeMovieInfo(bytes->view()) : Result<MovieInfo>(Status::corrupt("store item is not data"));
}

// The cache entry for dict: values found unchanged (the same object) in previous keep
// their decoded records, the others are decoded now.
CachedStore cacheEntryFor(const fs::path& path, const FileIdentity& id, const StoreDictionary& dict,
                          const CachedStore* previous)
{
    std::map<const plist::Value*, const CachedValue*> known;
    if (previous) {
        for (const CachedValue& v : previous->values)
            known.emplace(v.value, &v);
    }
    CachedStore entry{path, id, std::make_shared<const StoreDictionary>(dict), {}, {}, 0};
    entry.values.reserve(dict.size());
    for (const auto& [key, value] : *entry.dict) {
        CachedValue cached{value.get(), entry.records.size(), 0, 0};
        if (auto it = known.find(value.get()); it != known.end()) {
            const CachedValue& old = *it->second;
            entry.records.insert(entry.records.end(), previous->records.begin() + static_cast<std::ptrdiff_t>(old.firstRecord),
                                 previous->records.begin() + static_cast<std::ptrdiff_t>(old.firstRecord + old.recordCount));
            cached.skipped = old.skipped;
        } else if (const plist::Array* items = value->array()) {
            for (const ValuePtr& item : *items) {
                if (Result<MovieInfo> r = decodeItem(item))
                    entry.records.push_back(std::make_shared<const MovieInfo>(std::move(r).value()));
                else
                    ++cached.skipped;
            }
        } else {
            cached.skipped = 1;
        }
        cached.recordCount = entry.records.size() - cached.firstRecord;
        entry.skipped += cached.skipped;
        entry.values.push_back(cached);
    }
    return entry;
}

} // namespace

void visitRecords(const StoreDictionary& dict,
                  const std::function<void(const std::string& key, Result<MovieInfo> record)>& visit)
{
    for (const auto& [key, value] : dict) {
        const plist::Array* items = value->array();
        if (!items) {
            visit(key, Status::corrupt("store value is not an array"));
            continue;
        }
        for (const ValuePtr& item : *items)
            visit(key, decodeItem(item));
    }
}

std::shared_ptr<RecordList> decodeRecords(const StoreDictionary& dict, std::size_t* skipped)
{
    auto list = std::make_shared<RecordList>();
    std::size_t bad = 0;
    visitRecords(dict, [&](const std::string&, Result<MovieInfo> record) {
        if (record)
            list->push_back(std::make_shared<MovieInfo>(std::move(record).value()));
        else
            ++bad;
    });
    if (skipped)
        *skipped = bad;
    return list;
}

StoreLoad loadStore(const fs::path& storePath)
{
    StoreCache& cache = StoreCache::instance();
    // A load never takes the folder's lock: what a killed writer left is removed by the
    // folder's next change, or when a window opens it to change it (tidyFolder).
    const std::optional<FileIdentity> id = identityOf(storePath);
    if (id) {
        if (std::optional<CachedStore> hit = cache.find(storePath, *id))
            return {std::make_shared<StoreDictionary>(*hit->dict), copyRecords(hit->records), hit->skipped, {}};
    }

    Result<ValuePtr> root = plist::readFile(storePath, plist::Limits::store());
    if (!root) {
        // A link to nothing (a store on a drive not mounted) is kept: a save would replace it.
        std::error_code ec;
        const bool link = fs::is_symlink(fs::symlink_status(storePath, ec));
        if (root.status().code() == Status::Code::NotFound && !id && !link)
            return {std::make_shared<StoreDictionary>(), std::make_shared<RecordList>(), 0, {}};
        if (root.status().code() == Status::Code::NotFound && link)
            return {nullptr, std::make_shared<RecordList>(), 0, Status::unsupported("store is a link to nothing: " + storePath.string())};
        return {nullptr, std::make_shared<RecordList>(), 0, root.status()};
    }
    const plist::Dictionary* dict = (*root)->dictionary();
    if (!dict)
        return {nullptr, std::make_shared<RecordList>(), 0, Status::corrupt("store is not a dictionary")};

    CachedStore entry = cacheEntryFor(storePath, id.value_or(FileIdentity{}), *dict, nullptr);
    StoreLoad load{std::make_shared<StoreDictionary>(*entry.dict), copyRecords(entry.records), entry.skipped, {}};
    if (id)
        cache.put(std::move(entry));
    return load;
}

std::optional<std::size_t> findRecord(const RecordList& records, std::string_view baseName)
{
    for (std::size_t i = 0; i < records.size(); ++i) {
        const RecordPtr& r = records[i];
        if (r && r->FILENAME && *r->FILENAME == baseName)
            return i;
    }
    return std::nullopt;
}

std::string serializeStore(const StoreDictionary& dict)
{
    return plist::writeXml(*Value::makeDictionary(dict));
}

Status checkStoreWithinReaderLimits(const StoreDictionary& dict, std::size_t serializedSize)
{
    const plist::Limits store = plist::Limits::store();
    const plist::Limits archive = plist::Limits::archive();
    if (serializedSize > store.maxFileSize)
        return Status::limitExceeded("the store would be larger than its readers load");
    std::size_t elements = 2; // <plist> and the top dictionary
    for (const auto& [key, value] : dict) {
        if (key.size() > store.maxStringLength)
            return Status::limitExceeded("a key longer than the readers take");
        elements += 2; // <key> and its value
        if (const plist::Array* items = value->array()) {
            elements += items->size();
            for (const ValuePtr& item : *items) {
                const plist::Bytes* bytes = item->data();
                if (bytes && (bytes->size() > store.maxDataLength || bytes->size() > archive.maxFileSize))
                    return Status::limitExceeded("a record larger than the readers take");
            }
        }
    }
    if (elements > store.maxObjects)
        return Status::limitExceeded("more records than the readers take");
    return Status::ok();
}

Status writeStore(const fs::path& storePath, const StoreDictionary& dict)
{
    if (Status s = checkStoreWithinReaderLimits(dict, 0); !s)
        return s;
    // Streamed to the file: a 40 MB store is never built in memory first.
    const ValuePtr root = Value::makeDictionary(dict);
    WrittenFile written;
    const Status s = writeFileAtomically(
        storePath,
        [&](const ByteWriter& write) {
            std::size_t total = 0;
            if (Status w = plist::writeXml(*root, [&](std::string_view piece) {
                    total += piece.size();
                    return total > plist::Limits::store().maxFileSize
                               ? Status::limitExceeded("the store would be larger than its readers load")
                               : write(piece);
                });
                !w)
                return w;
            return Status::ok();
        },
        &written, FolderLocking::HeldByCaller);
    if (!s)
        return s;
    // The next load of what was just written needs no parse; only changed records are
    // decoded for it. Only when reading the XML back gives exactly this dictionary.
    StoreCache& cache = StoreCache::instance();
    const std::optional<FileIdentity> id = identityOf(storePath);
    if (id && id->device == written.device && id->inode == written.inode && plist::hasExactXmlForm(*root)) {
        const std::optional<CachedStore> previous = cache.latest(storePath);
        cache.put(cacheEntryFor(storePath, *id, dict, previous ? &*previous : nullptr));
    }
    return Status::ok();
}

void clearStoreCache()
{
    StoreCache::instance().clear();
}

} // namespace kavio
