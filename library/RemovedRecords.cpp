#include "library/RemovedRecords.h"

#include "library/Posix.h"
#include "library/StateFiles.h"
#include "library/plist/Value.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <tuple>

namespace kavio {

namespace fs = std::filesystem;
using plist::Value;

namespace {

constexpr char kSuffix[] = ".plist";

// 64-bit FNV-1a: stable across runs and builds, and a file's own content says whose it is.
std::uint64_t hashOf(std::string_view bytes)
{
    std::uint64_t h = 0xcbf29ce484222325ULL;
    for (const char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 0x100000001b3ULL;
    }
    return h;
}

fs::path canonicalFolder(const fs::path& folder)
{
    std::error_code ec;
    fs::path canonical = fs::canonical(folder, ec);
    return ec ? fs::absolute(folder, ec).lexically_normal() : canonical;
}

// What a state file's name says: "<removed>.<folder>.<name>.<size>.<modified>.plist",
// the removal time and the modification time in nanoseconds, the two hashes in hex.
struct Key {
    std::int64_t removed = 0;
    std::uint64_t folder = 0;
    std::uint64_t name = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    std::string file;
};

std::string fileNameOf(const Key& k)
{
    char text[160];
    std::snprintf(text, sizeof text, "%lld.%016llx.%016llx.%llu.%lld%s", static_cast<long long>(k.removed),
                  static_cast<unsigned long long>(k.folder), static_cast<unsigned long long>(k.name),
                  static_cast<unsigned long long>(k.size), static_cast<long long>(k.modified), kSuffix);
    return text;
}

template <typename T>
bool field(std::string_view& rest, T& out, int base)
{
    const std::size_t dot = rest.find('.');
    const std::string_view part = rest.substr(0, dot);
    const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), out, base);
    if (error != std::errc() || end != part.data() + part.size() || part.empty())
        return false;
    rest.remove_prefix(dot == std::string_view::npos ? rest.size() : dot + 1);
    return true;
}

std::optional<Key> parseName(const std::string& file)
{
    if (!file.ends_with(kSuffix))
        return std::nullopt;
    std::string_view rest(file.data(), file.size() - (sizeof kSuffix - 1));
    Key k;
    if (!field(rest, k.removed, 10) || !field(rest, k.folder, 16) || !field(rest, k.name, 16) || !field(rest, k.size, 10) ||
        !field(rest, k.modified, 10) || !rest.empty())
        return std::nullopt;
    k.file = file;
    return k;
}

std::int64_t nanoseconds(const struct timespec& t)
{
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000LL + t.tv_nsec;
}

// The state folder's names, read again only when the folder changed: every load of a
// library folder looks here. A listing read within a moment of the folder's last change
// is not trusted (a change in the same clock tick leaves the time as it was).
class Index {
public:
    static Index& instance()
    {
        static Index index;
        return index;
    }

    std::vector<Key> keys(const fs::path& folder)
    {
        std::lock_guard lock(mutex_);
        struct stat st {};
        if (::stat(folder.c_str(), &st) != 0)
            return {};
        const std::int64_t changed = nanoseconds(st.st_mtim);
        Cached& c = cached_[folder];
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        const std::int64_t nowNs = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
        if (c.valid && c.inode == st.st_ino && c.changed == changed && c.readAt - changed > kSettled)
            return c.keys;
        c = Cached{true, st.st_ino, changed, nowNs, read(folder)};
        return c.keys;
    }

private:
    static constexpr std::int64_t kSettled = 100'000'000; // 0.1 s

    struct Cached {
        bool valid = false;
        ino_t inode = 0;
        std::int64_t changed = 0;
        std::int64_t readAt = 0;
        std::vector<Key> keys;
    };

    static std::vector<Key> read(const fs::path& folder)
    {
        std::vector<Key> keys;
        std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
        if (!dir)
            return keys;
        while (const dirent* entry = ::readdir(dir.get())) {
            if (std::optional<Key> k = parseName(entry->d_name))
                keys.push_back(std::move(*k));
        }
        return keys;
    }

    std::mutex mutex_;
    std::map<fs::path, Cached> cached_;
};

std::string serialise(const RemovedRecord& r, std::int64_t removed)
{
    plist::Dictionary dict;
    dict["path"] = Value::makeData(plist::Bytes(r.path.native())); // any bytes, exactly
    dict["size"] = Value::makeUnsigned(r.size);
    dict["modified"] = Value::makeInteger(r.modified);
    dict["removed"] = Value::makeInteger(removed);
    dict["record"] = Value::makeData(plist::Bytes(encodeMovieInfo(r.record)));
    return serialiseState(std::move(dict));
}

std::optional<KeptRecord> load(const fs::path& file)
{
    std::optional<fs::path> setAside;
    const std::optional<plist::Dictionary> dict = readStateFile(file, setAside);
    if (!dict)
        return std::nullopt;
    auto member = [&](const char* name) -> const Value* {
        const auto it = dict->find(name);
        return it == dict->end() ? nullptr : it->second.get();
    };
    const Value* path = member("path");
    const Value* size = member("size");
    const Value* modified = member("modified");
    const Value* record = member("record");
    if (!path || !path->data() || !size || !size->uint64() || !modified || !modified->int64() || !record || !record->data())
        return std::nullopt;
    Result<MovieInfo> decoded = decodeMovieInfo(record->data()->view());
    if (!decoded)
        return std::nullopt;
    return KeptRecord{{fs::path(std::string(path->data()->view())), *size->uint64(), *modified->int64(), std::move(decoded).value()},
                      file};
}

} // namespace

fs::path RemovedRecords::defaultFolder()
{
    return stateDirectory() / "removed";
}

RemovedRecords::RemovedRecords(fs::path folder) : folder_(std::move(folder)) {}

std::optional<std::pair<std::uint64_t, std::int64_t>> RemovedRecords::identityOf(const fs::path& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return std::nullopt;
    return std::make_pair(S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0, nanoseconds(st.st_mtim));
}

Status RemovedRecords::remember(const std::vector<RemovedRecord>& removed, std::vector<fs::path>* files) const
{
    if (files)
        files->assign(removed.size(), fs::path());
    if (removed.empty())
        return Status::ok();
    std::error_code ec;
    fs::create_directories(folder_, ec); // a failure shows in the writes
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const std::int64_t removedAt = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
    Status result;
    std::vector<std::pair<std::size_t, int>> written; // open until synced
    std::vector<std::size_t> failed;
    const FileDescriptor dir(::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        return errnoStatus("open " + folder_.string());
    // Created under their final names, then synced together: a file a crash cut short
    // does not read and is passed over.
    auto flush = [&] {
        const bool whole = !written.empty() && syncWholeVolume(dir.get());
        for (const auto& [index, fd] : written) {
            Status s = whole || ::fsync(fd) == 0 ? Status::ok() : errnoStatus("sync a removed video's record");
            if (::close(fd) != 0 && s)
                s = errnoStatus("close a removed video's record");
            if (!s) {
                failed.push_back(index);
                result = s;
            }
        }
        written.clear();
    };
    std::vector<fs::path> names(removed.size());
    for (std::size_t i = 0; i < removed.size(); ++i) {
        RemovedRecord r = removed[i];
        r.path = canonicalFolder(r.path.parent_path()) / r.path.filename();
        const Key key{removedAt + static_cast<std::int64_t>(i), hashOf(r.path.parent_path().native()),
                      hashOf(r.path.filename().native()), r.size, r.modified, {}};
        names[i] = folder_ / fileNameOf(key);
        FileDescriptor fd(::openat(dir.get(), names[i].filename().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        Status s = fd.get() >= 0 ? writeAll(fd.get(), serialise(r, key.removed)) : errnoStatus("create " + names[i].string());
        if (!s) {
            if (fd.get() >= 0)
                failed.push_back(i);
            else
                names[i].clear();
            result = s;
            continue;
        }
        written.emplace_back(i, fd.release());
        if (written.size() >= 100)
            flush(); // never too many files open
    }
    flush();
    for (const std::size_t i : failed) {
        ::unlinkat(dir.get(), names[i].filename().c_str(), 0);
        names[i].clear();
    }
    (void)::fsync(dir.get()); // the names; a failure leaves them to the file system

    // The oldest go beyond the capacity.
    std::vector<Key> keys = Index::instance().keys(folder_);
    if (keys.size() > kCapacity) {
        std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) { return a.removed < b.removed; });
        for (std::size_t i = 0; i + kCapacity < keys.size(); ++i)
            ::unlinkat(dir.get(), keys[i].file.c_str(), 0);
        for (fs::path& name : names) {
            if (!name.empty() && !fs::exists(name, ec))
                name.clear();
        }
    }
    if (files)
        *files = std::move(names);
    return result;
}

bool RemovedRecords::anyFor(const fs::path& folder) const
{
    const std::uint64_t folderHash = hashOf(canonicalFolder(folder).native());
    const std::vector<Key> keys = Index::instance().keys(folder_);
    return std::any_of(keys.begin(), keys.end(), [&](const Key& k) { return k.folder == folderHash; });
}

std::vector<KeptRecord> RemovedRecords::returningTo(const fs::path& folder, const std::vector<std::string>& names) const
{
    const fs::path canonical = canonicalFolder(folder);
    const std::uint64_t folderHash = hashOf(canonical.native());
    std::multimap<std::uint64_t, Key> ofFolder; // by name hash
    for (Key& k : Index::instance().keys(folder_)) {
        if (k.folder == folderHash)
            ofFolder.emplace(k.name, std::move(k));
    }
    std::vector<KeptRecord> found;
    if (ofFolder.empty())
        return found;
    for (const std::string& name : names) {
        const auto [first, last] = ofFolder.equal_range(hashOf(name));
        if (first == last)
            continue;
        const fs::path path = canonical / name;
        const auto identity = identityOf(path);
        if (!identity)
            continue;
        std::vector<const Key*> matching;
        for (auto it = first; it != last; ++it) {
            if (it->second.size == identity->first && it->second.modified == identity->second)
                matching.push_back(&it->second);
        }
        std::sort(matching.begin(), matching.end(), [](const Key* a, const Key* b) { return a->removed > b->removed; });
        for (const Key* k : matching) {
            std::optional<KeptRecord> kept = load(folder_ / k->file);
            if (kept && kept->removed.path == path) {
                found.push_back(std::move(*kept));
                break;
            }
        }
    }
    return found;
}

std::optional<KeptRecord> RemovedRecords::latestFor(const fs::path& path, std::uint64_t size, std::int64_t modified) const
{
    const fs::path canonical = canonicalFolder(path.parent_path()) / path.filename();
    const std::uint64_t folderHash = hashOf(canonical.parent_path().native());
    const std::uint64_t nameHash = hashOf(canonical.filename().native());
    std::vector<Key> keys = Index::instance().keys(folder_);
    std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) { return a.removed > b.removed; });
    for (const Key& k : keys) {
        if (k.folder != folderHash || k.name != nameHash || k.size != size || k.modified != modified)
            continue;
        if (std::optional<KeptRecord> kept = load(folder_ / k.file); kept && kept->removed.path == canonical)
            return kept;
    }
    return std::nullopt;
}

void RemovedRecords::forget(const std::vector<fs::path>& files) const
{
    for (const fs::path& file : files) {
        if (!file.empty())
            ::unlink(file.c_str()); // one that stays is passed over once its file has a record again
    }
}

} // namespace kavio
