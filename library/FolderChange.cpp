#include "FolderChange.h"

#include "library/AtomicFile.h"
#include "library/FileCopy.h"
#include "library/Posix.h"
#include "library/RecordKey.h"
#include "library/RemovedRecords.h"
#include "library/plist/Codec.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace kavio {

namespace fs = std::filesystem;
using plist::Value;

namespace {

bool present(const fs::path& path)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

plist::ValuePtr bytesValue(std::string_view bytes)
{
    return Value::makeData(plist::Bytes(std::string(bytes)));
}

const plist::Bytes* bytesAt(const Value& dict, std::string_view key)
{
    const Value* v = dict.find(key);
    return v ? v->data() : nullptr;
}

// A binary property list: names and keys as data, so any bytes come back exactly.
std::string encodeIntent(const std::vector<StoreEdit>& edits)
{
    plist::Array items;
    items.reserve(edits.size());
    for (const StoreEdit& e : edits) {
        plist::Dictionary item{{"do", Value::makeString(e.kind == StoreEdit::Kind::File ? "file" : "takeOut")},
                               {"key", bytesValue(e.key)},
                               {"name", bytesValue(e.name)}};
        if (e.kind == StoreEdit::Kind::File)
            item["archive"] = Value::makeData(e.archive);
        items.push_back(Value::makeDictionary(std::move(item)));
    }
    return plist::writeBinary(*Value::makeDictionary({{"edits", Value::makeArray(std::move(items))}}));
}

// Corrupt for an intent that never got complete (a crash while it was written): no step
// ever followed it.
Result<std::vector<StoreEdit>> readIntent(const fs::path& folder)
{
    Result<plist::ValuePtr> root = plist::readFile(folder / kIntentFileName, plist::Limits::store());
    if (!root)
        return root.status();
    const Value* list = (*root)->find("edits");
    const plist::Array* items = list ? list->array() : nullptr;
    if (!items)
        return Status::corrupt("an intent without edits");
    std::vector<StoreEdit> edits;
    for (const plist::ValuePtr& item : *items) {
        const Value* kind = item->find("do");
        const std::string* what = kind ? kind->string() : nullptr;
        const plist::Bytes* key = bytesAt(*item, "key");
        const plist::Bytes* name = bytesAt(*item, "name");
        const plist::Bytes* archive = bytesAt(*item, "archive");
        if (!what || !key || !name || (*what != "file" && *what != "takeOut") || (*what == "file" && !archive))
            return Status::corrupt("an intent with an unreadable edit");
        edits.push_back({*what == "file" ? StoreEdit::Kind::File : StoreEdit::Kind::TakeOut, std::string(key->view()),
                         std::string(name->view()), archive ? *archive : plist::Bytes()});
    }
    return edits;
}

Status writeIntent(const FolderLock& lock, const std::vector<StoreEdit>& edits)
{
    const fs::path path = lock.folder() / kIntentFileName;
    FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (fd.get() < 0)
        return errnoStatus("create the change's intent");
    Status s = writeAll(fd.get(), encodeIntent(edits));
    if (s && ::fsync(fd.get()) != 0)
        s = errnoStatus("sync the change's intent");
    if (s && ::close(fd.release()) != 0)
        s = errnoStatus("close the change's intent");
    // No sync of the folder: the journaling file systems Linux runs on make a new file's
    // name durable with the file's own sync, and keep it ahead of the step's rename.
    if (!s)
        ::unlink(path.c_str());
    return s;
}

void removeIntent(const fs::path& folder)
{
    // Not synced: an intent found again after a power cut is applied again to the same
    // files, which changes nothing.
    ::unlink((folder / kIntentFileName).c_str());
}

// After a step, and whenever an intent is found: each edit as its file says. A change
// without a file step files all of its edits.
enum class Decide { ByFiles, All };

bool applyEdits(const std::vector<StoreEdit>& edits, const fs::path& folder, StoreDictionary& dict, Decide decide)
{
    bool changed = false;
    for (const StoreEdit& e : edits) {
        const bool fileThere = decide == Decide::All ? e.kind == StoreEdit::Kind::File : present(folder / e.name);
        if (e.kind == StoreEdit::Kind::File && fileThere) {
            dict[e.key] = Value::makeArray({Value::makeData(e.archive)});
            changed = true;
        } else if (e.kind == StoreEdit::Kind::TakeOut && !fileThere) {
            changed = dict.erase(e.key) > 0 || changed;
        }
    }
    return changed;
}

std::optional<std::pair<dev_t, ino_t>> fileIdentity(const fs::path& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return std::nullopt;
    return std::make_pair(st.st_dev, st.st_ino);
}

struct Filed {
    Status status;
    bool inPlace = false; // the new store replaced the old one, even if its sync then failed
};

// The store as it is on disk now (a step may have taken it away) with the edits filed. A
// store that is not there is created only to file a record in it.
Filed fileEdits(const fs::path& folder, const std::vector<StoreEdit>& edits, Decide decide)
{
    const fs::path storePath = folder / kStoreFileName;
    StoreLoad load = loadStore(storePath);
    if (!load.prefsDict)
        return {load.status.code() == Status::Code::IOError ? load.status
                                                            : Status::unsupported(load.status.toString())};
    if (!applyEdits(edits, folder, *load.prefsDict, decide))
        return {Status::ok(), true};
    const auto old = fileIdentity(storePath);
    Status written = writeStore(storePath, *load.prefsDict);
    const bool inPlace = written || fileIdentity(storePath) != old;
    return {std::move(written), inPlace};
}

// With the folder's lock held: the intent a crash left, applied and removed.
Status finishInterrupted(const fs::path& folder)
{
    if (!present(folder / kIntentFileName))
        return Status::ok();
    Result<std::vector<StoreEdit>> edits = readIntent(folder);
    if (!edits && edits.status().code() == Status::Code::IOError)
        return edits.status(); // read again by the next writer
    if (edits) {
        // A store its readers refuse, or one that cannot take the record, stays as it is.
        const Filed filed = fileEdits(folder, *edits, Decide::ByFiles);
        if (!filed.inPlace && filed.status.code() == Status::Code::IOError)
            return filed.status;
    }
    removeIntent(folder);
    return Status::ok();
}

bool named(const std::string& name, std::string_view prefix, std::size_t suffix = 0)
{
    return name.starts_with(prefix) && (suffix == 0 || name.size() == prefix.size() + suffix);
}

// Regular files only (a link inside is removed as a link), then the folder while empty.
void removeExport(const fs::path& folder)
{
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->symlink_status(typeError).type() == fs::file_type::regular)
            ::unlink(it->path().c_str());
    }
    ::rmdir(folder.c_str());
}

// With the folder's lock held exclusively: what killed writers left. The store's own
// temporaries are made under this lock only; copies and exports are locked by their
// makers while they work, so whatever nobody holds is a leftover. Read with readdir: a
// folder of ten thousand videos is looked through at every change.
void removeLeftovers(const fs::path& folder)
{
    const std::string storeTemporary = temporaryPrefix(folder / kStoreFileName);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (entry->d_name[0] != '.')
            continue;
        const std::string name = entry->d_name;
        const fs::path path = folder / name;
        std::error_code typeError;
        const fs::file_type type = fs::symlink_status(path, typeError).type();
        if (type == fs::file_type::regular && named(name, storeTemporary, 6)) {
            ::unlink(path.c_str());
        } else if (type == fs::file_type::regular && named(name, kCopyTemporaryPrefix)) {
            const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
            if (fd.get() >= 0 && isAbandoned(fd.get()))
                ::unlink(path.c_str());
        } else if (type == fs::file_type::directory && named(name, kExportFolderPrefix)) {
            const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (fd.get() >= 0 && isAbandoned(fd.get()))
                removeExport(path);
        }
    }
}

std::string extensionOf(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos || dot == 0 ? std::string() : std::string(name.substr(dot + 1));
}

// The records coming back, each under its own key unless another record took it since.
std::vector<StoreEdit> returningEdits(const std::vector<KeptRecord>& kept, const StoreDictionary& dict)
{
    std::vector<StoreEdit> edits;
    auto taken = [&](std::string_view key) {
        return dict.find(key) != dict.end() ||
               std::any_of(edits.begin(), edits.end(), [&](const StoreEdit& e) { return e.key == key; });
    };
    for (const KeptRecord& k : kept) {
        MovieInfo record = k.removed.record;
        if (!record.KEY || record.KEY->empty() || taken(*record.KEY))
            record.KEY = makeRecordKey(std::chrono::system_clock::now(), taken);
        edits.push_back({StoreEdit::Kind::File, *record.KEY, k.removed.path.filename().native(),
                         plist::Bytes(encodeMovieInfo(record))});
    }
    return edits;
}

std::vector<fs::path> stateFilesOf(const std::vector<KeptRecord>& kept)
{
    std::vector<fs::path> files;
    for (const KeptRecord& k : kept)
        files.push_back(k.file);
    return files;
}

// With the folder's lock held: the records of videos back from the trash, filed. True when
// the store now holds them.
bool fileReturningRecords(const fs::path& folder, const std::vector<KeptRecord>& kept, const StoreDictionary& dict)
{
    if (kept.empty())
        return false;
    const Filed filed = fileEdits(folder, returningEdits(kept, dict), Decide::ByFiles);
    if (!filed.inPlace)
        return false; // kept for the next load
    RemovedRecords().forget(stateFilesOf(kept));
    return true;
}

void fileReturningRecords(const fs::path& folder)
{
    const RemovedRecords removed;
    if (!removed.anyFor(folder))
        return;
    const StoreLoad load = loadStore(folder / kStoreFileName);
    if (!load.prefsDict)
        return; // a store its readers refuse stays as it is
    const std::vector<KeptRecord> kept = removed.returningTo(folder, videosWithoutOwnRecord(listFolder(folder).entries, *load.records));
    (void)fileReturningRecords(folder, kept, *load.prefsDict); // one that fails is tried at the next load
}

} // namespace

std::vector<std::string> videosWithoutOwnRecord(const std::vector<FolderEntry>& listing, const RecordList& records)
{
    std::vector<std::string> names;
    for (const FolderEntry& entry : listing) {
        if (entry.kind != EntryKind::Video)
            continue;
        const std::string base = baseNameOf(entry.name);
        const std::string extension = extensionOf(entry.name);
        const bool own = std::any_of(records.begin(), records.end(), [&](const RecordPtr& r) {
            return r && r->FILENAME == base && r->EXTENSION.value_or("") == extension;
        });
        if (!own)
            names.push_back(entry.name);
    }
    return names;
}

bool bringBackReturningRecords(const fs::path& folder, const std::vector<std::string>& names, StoreDictionary& dict)
{
    const RemovedRecords removed;
    if (names.empty() || !removed.anyFor(folder))
        return false;
    // A change at work may be putting these very files back with their records (an Undo
    // of many); the reload after its write looks again, and nothing is read meanwhile.
    const Result<FolderLock> lock = FolderLock::acquire(folder, LockMode::Exclusive, std::chrono::milliseconds(0));
    if (!lock && lock.status().code() == Status::Code::Busy)
        return false;
    const std::vector<KeptRecord> kept = removed.returningTo(folder, names);
    if (kept.empty())
        return false;
    if (lock && lock->enforced() && !present(folder / kIntentFileName) && fileReturningRecords(folder, kept, dict)) {
        StoreLoad load = loadStore(folder / kStoreFileName);
        if (load.prefsDict) {
            dict = std::move(*load.prefsDict);
            return true;
        }
    }
    return applyEdits(returningEdits(kept, dict), folder, dict, Decide::ByFiles);
}

FolderChange::FolderChange(FolderModel& model, FolderLock lock) : model_(&model), lock_(std::move(lock)) {}

FolderChange::FolderChange(FolderChange&& other) noexcept
    : model_(other.model_), lock_(std::move(other.lock_)), edits_(std::move(other.edits_))
{
}

FolderChange::~FolderChange() = default;

Result<FolderChange> FolderChange::begin(FolderModel& model, std::chrono::milliseconds wait)
{
    Result<FolderLock> lock = FolderLock::acquire(model.currentURL(), LockMode::Exclusive, wait);
    if (!lock)
        return lock.status();
    if (Status s = finishInterrupted(model.currentURL()); !s)
        return Status::ioError("the change interrupted here last could not be finished: " + s.message());
    removeLeftovers(model.currentURL());
    fileReturningRecords(model.currentURL());
    model.loadMp4Files();
    return FolderChange(model, std::move(lock).value());
}

std::string FolderChange::newRecordKey(std::chrono::system_clock::time_point now) const
{
    return makeRecordKey(now, [this](std::string_view key) {
        const std::shared_ptr<StoreDictionary>& dict = model_->prefsDict();
        return (dict && dict->find(key) != dict->end()) ||
               std::any_of(edits_.begin(), edits_.end(), [&](const StoreEdit& e) { return e.key == key; });
    });
}

void FolderChange::saveMovieModules(const MovieInfo& record)
{
    edits_.push_back({StoreEdit::Kind::File, record.KEY.value_or(""),
                      record.FILENAME.value_or("") + "." + record.EXTENSION.value_or(""),
                      plist::Bytes(encodeMovieInfo(record))});
}

void FolderChange::removeRecord(const MovieInfo& record)
{
    edits_.push_back({StoreEdit::Kind::TakeOut, record.KEY.value_or(""),
                      record.FILENAME.value_or("") + "." + record.EXTENSION.value_or(""), {}});
}

Status FolderChange::commit(const std::function<Status()>& step, const std::function<Status()>& undo)
{
    const fs::path& folder = lock_.folder();
    const bool withIntent = step && !edits_.empty();
    auto finish = [&](Status s) {
        edits_.clear();
        model_->loadMp4Files();
        return s;
    };
    // The step happened but its store did not follow: put the step back, or leave the
    // intent so the next writer files the store after all.
    auto putBack = [&](Status s) {
        if (undo && undo() && withIntent)
            removeIntent(folder);
        return finish(s);
    };
    if (withIntent) {
        if (Status s = writeIntent(lock_, edits_); !s)
            return finish(s);
    }
    // The step's names become durable with the store's own sync of the folder, the step
    // ahead of the store in the file system's journal.
    if (step) {
        if (Status s = step(); !s) {
            if (withIntent)
                removeIntent(folder);
            return finish(s);
        }
    }
    const Filed filed = fileEdits(folder, edits_, step ? Decide::ByFiles : Decide::All);
    if (!filed.inPlace)
        return putBack(filed.status);
    if (!filed.status) {
        // The store is in place but not known to be on disk: without a step, say so; after
        // one, keep the intent, which finishes the change again should the power go now.
        return finish(step ? Status::ok() : filed.status);
    }
    if (withIntent)
        removeIntent(folder);
    return finish(Status::ok());
}

bool changeUnfinished(const fs::path& folder)
{
    if (!present(folder / kIntentFileName))
        return false;
    // Without locks on the file system a live change looks like an interrupted one: show
    // it, leave finishing it to the next writer.
    const Result<FolderLock> lock = FolderLock::acquire(folder, LockMode::Exclusive, std::chrono::milliseconds(0));
    if (!lock || !lock->enforced())
        return true;
    return !finishInterrupted(folder) || present(folder / kIntentFileName);
}

bool overlayUnfinishedChange(const fs::path& folder, StoreDictionary& dict)
{
    const Result<std::vector<StoreEdit>> edits = readIntent(folder);
    return edits && applyEdits(*edits, folder, dict, Decide::ByFiles);
}

void tidyFolder(const fs::path& folder)
{
    const Result<FolderLock> lock = FolderLock::acquire(folder, LockMode::Exclusive, std::chrono::milliseconds(0));
    // Held: a writer is at work there, and tidies up itself.
    if (!lock)
        return;
    // One that fails now is tried again by the next change.
    (void)finishInterrupted(folder);
    removeLeftovers(folder);
}

} // namespace kavio
