// Removals: to the trash with the records kept, erased on purpose, and put back.

#include "phone/FileOperations.h"

#include "library/FolderChange.h"
#include "library/PlainText.h"
#include "library/RemovedRecords.h"
#include "phone/OperationSupport.h"

#include <algorithm>
#include <sys/stat.h>

namespace kavio::phone {

namespace fs = std::filesystem;
using namespace detail;

namespace {

// How many failures a message names one by one.
constexpr std::size_t kNamedFailures = 5;

RemovalOutcome from(Outcome outcome)
{
    RemovalOutcome out;
    static_cast<Outcome&>(out) = std::move(outcome);
    return out;
}

// An entry about to go, as the folder has it under the change's lock.
struct Target {
    EntryRef ref;
    fs::path path;
    RemovedItem::Kind kind = RemovedItem::Kind::Video;
    std::optional<MovieInfo> record; // its own record
};

RemovedItem::Kind kindOf(const fs::path& path)
{
    const std::string name = path.filename().native();
    if (name == kStoreFileName)
        return RemovedItem::Kind::Store;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return RemovedItem::Kind::Other;
    if (S_ISREG(st.st_mode))
        return isVideoFileName(name) && !name.starts_with('.') ? RemovedItem::Kind::Video : RemovedItem::Kind::Other;
    // As the lists show them: anything that is not a plain file is a folder.
    return name.starts_with('.') ? RemovedItem::Kind::Other : RemovedItem::Kind::Folder;
}

// The record a video in the folder calls its own: its title and extension.
std::optional<MovieInfo> ownRecordOf(const RecordList& records, const std::string& name)
{
    const std::string base = baseNameOf(name);
    const std::string extension = extensionOf(name);
    for (const RecordPtr& r : records) {
        if (r && r->FILENAME == base && r->EXTENSION.value_or("") == extension)
            return *r;
    }
    return std::nullopt;
}

// "N items were not ...:\nfirst\nsecond\n...and 3 more", or the one reason alone.
std::string listed(const std::string& heading, const std::vector<std::string>& reasons)
{
    if (reasons.size() == 1)
        return reasons.front();
    std::string message = heading;
    for (std::size_t i = 0; i < reasons.size() && i < kNamedFailures; ++i)
        message += "\n" + reasons[i];
    if (reasons.size() > kNamedFailures)
        message += "\nand " + std::to_string(reasons.size() - kNamedFailures) + " more.";
    return message;
}

// What stayed, said once: entries no trash takes (which the person may erase), entries
// another program was changing, and a removal stopped half-way.
void sayWhatStayed(RemovalOutcome& out, const std::vector<std::string>& busy, std::size_t stopped)
{
    std::vector<std::string> reasons;
    for (const Untrashable& u : out.untrashable)
        reasons.push_back(u.reason);
    for (const std::string& name : busy)
        reasons.push_back(inQuotes(escapedForTerminal(name)) + " was left where it is: another program is changing it.");
    if (stopped > 0)
        out.log.push_back(std::to_string(stopped) + " items were left where they are: the removal was stopped.");
    if (reasons.empty())
        return;
    out.kind = Outcome::Kind::Failed;
    out.message = listed(std::to_string(reasons.size()) + " items were not moved to the trash and were left where they are:",
                         reasons);
}

// Keeps the targets' records in Kavio's state before anything moves, takes them out of the
// store and moves every target to the trash in one step of the change; reads each result.
// The records of what stayed stay in the store, and are no longer kept. False when the
// change could not even start its step: nothing moved, and out says why.
bool trashTargets(FolderChange& change, const std::vector<Target>& targets, const RemovalProgress& progress,
                  RemovalOutcome& out, std::size_t& stopped)
{
    std::vector<RemovedRecord> keep;
    std::vector<std::size_t> keptFor;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (!targets[i].record)
            continue;
        if (const auto identity = RemovedRecords::identityOf(targets[i].path)) {
            keep.push_back({targets[i].path, identity->first, identity->second, *targets[i].record});
            keptFor.push_back(i);
        }
        change.removeRecord(*targets[i].record);
    }
    const RemovedRecords removed;
    std::vector<fs::path> files;
    if (const Status kept = removed.remember(keep, &files); !kept)
        out.log.push_back("Records of removed videos not kept for a restore from the desktop's trash: " + kept.message());
    std::vector<fs::path> stateFile(targets.size());
    for (std::size_t j = 0; j < keptFor.size(); ++j)
        stateFile[keptFor[j]] = files[j];

    std::vector<fs::path> paths;
    for (const Target& t : targets)
        paths.push_back(t.path);
    std::vector<Result<TrashedEntry>> results;
    bool ran = false;
    const Status committed = change.commit([&] {
        ran = true;
        TrashProgress settled;
        if (progress)
            settled = [&](std::size_t n) { return progress(n, paths.size()); };
        results = moveAllToTrash(paths, settled);
        return Status::ok(); // each result is read below; records follow their files
    });
    if (!ran) {
        removed.forget(stateFile);
        static_cast<Outcome&>(out) = Outcome::failed("Nothing was moved to the trash: " + committed.message());
        return false;
    }
    std::vector<fs::path> notMoved;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const Target& t = targets[i];
        if (i < results.size() && results[i]) {
            out.removal.items.push_back({t.ref.name, t.kind, *results[i], t.record, stateFile[i]});
            continue;
        }
        notMoved.push_back(stateFile[i]);
        const Status why = i < results.size() ? results[i].status() : committed;
        if (why.code() == Status::Code::Cancelled)
            ++stopped;
        else if (why.code() != Status::Code::NotFound) // gone meanwhile: nothing to say
            out.untrashable.push_back({t.ref, why.message()});
    }
    removed.forget(notMoved);
    if (!committed && !out.removal.empty()) // in the trash; their records leave with the folder's next change
        out.log.push_back("The records of the removed videos are taken out at the next change: " + committed.message());
    return true;
}

// Erases the targets, each video's record leaving with its file. False when the change
// could not even start its step: nothing was erased, and out says why.
bool eraseTargets(FolderChange& change, const std::vector<Target>& targets, const RemovalProgress& progress,
                  RemovalOutcome& out)
{
    for (const Target& t : targets) {
        if (t.record)
            change.removeRecord(*t.record);
    }
    std::vector<std::string> failures;
    bool ran = false;
    const Status committed = change.commit([&] {
        ran = true;
        for (std::size_t i = 0; i < targets.size(); ++i) {
            if (Status s = kavio::erasePermanently(targets[i].path); !s && s.code() != Status::Code::NotFound)
                failures.push_back(s.message());
            if (progress && !progress(i + 1, targets.size())) {
                out.log.push_back(std::to_string(targets.size() - i - 1) + " items were left where they are: the deletion was stopped.");
                break;
            }
        }
        return Status::ok();
    });
    if (!ran) {
        static_cast<Outcome&>(out) = Outcome::failed("Nothing was deleted: " + committed.message());
        return false;
    }
    if (!committed)
        out.log.push_back("The records of the deleted videos are taken out at the next change: " + committed.message());
    if (!failures.empty()) {
        out.kind = Outcome::Kind::Failed;
        out.message = listed(std::to_string(failures.size()) + " items could not be deleted:", failures);
    }
    return true;
}

// The targets for entries named by refs, resolved under the change's lock; folders held
// so that no writer at work inside loses its folder.
struct Targets {
    std::vector<Target> list;
    std::vector<FolderLock> held;
};

std::variant<Targets, Outcome> targetsFor(const FolderModel& model, const std::vector<EntryRef>& refs, LockWait wait)
{
    Targets targets;
    for (const EntryRef& ref : refs) {
        const std::optional<Resolved> at = resolve(model, ref);
        if (!at)
            return Outcome::refused(itemChanged(escapedForTerminal(ref.name)));
        Target t{ref, at->path, kindOf(at->path), std::nullopt};
        if (ref.kind == EntryKind::Folder) {
            Result<std::optional<FolderLock>> inside = lockSubfolder(at->path, wait);
            if (!inside)
                return Outcome::busy();
            if (*inside)
                targets.held.push_back(std::move(**inside));
        } else if (at->ownRecord) {
            t.record = *(*model.save_items())[*at->record];
        }
        targets.list.push_back(std::move(t));
    }
    return targets;
}

} // namespace

RemovalOutcome removeEntry(FolderModel& model, const EntryRef& ref, LockWait wait)
{
    Result<FolderChange> change = FolderChange::begin(model, wait);
    if (!change)
        return from(cannotChange(change.status()));
    std::variant<Targets, Outcome> found = targetsFor(model, {ref}, wait);
    if (auto* refused = std::get_if<Outcome>(&found))
        return from(std::move(*refused));
    const Targets& targets = std::get<Targets>(found);
    RemovalOutcome out;
    out.removal.folder = model.currentURL();
    std::size_t stopped = 0;
    if (trashTargets(*change, targets.list, {}, out, stopped))
        sayWhatStayed(out, {}, stopped);
    if (!out.removal.empty())
        out.record = out.removal.items.front().record;
    return out;
}

RemovalOutcome erasePermanently(FolderModel& model, const std::vector<EntryRef>& refs, LockWait wait)
{
    Result<FolderChange> change = FolderChange::begin(model, wait);
    if (!change)
        return from(cannotChange(change.status()));
    std::variant<Targets, Outcome> found = targetsFor(model, refs, wait);
    if (auto* refused = std::get_if<Outcome>(&found))
        return from(std::move(*refused));
    RemovalOutcome out;
    out.removal.folder = model.currentURL();
    const std::vector<Target>& targets = std::get<Targets>(found).list;
    if (eraseTargets(*change, targets, {}, out) && out.done() && targets.size() == 1)
        out.record = targets.front().record; // as a removal to the trash reports it
    return out;
}

RemovalOutcome emptyFolder(FolderModel& model, LockWait wait, Disposal disposal, const RemovalProgress& progress)
{
    Result<FolderChange> change = FolderChange::begin(model, wait);
    if (!change)
        return from(cannotChange(change.status()));
    const fs::path& folder = model.currentURL();
    const std::shared_ptr<RecordList> records = model.save_items();
    std::vector<fs::path> entries;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().native();
        if (!name.starts_with(kKavioEntryPrefix) && name != kStoreFileName)
            entries.push_back(it->path());
    }
    std::sort(entries.begin(), entries.end());
    if (ec)
        return from(Outcome::failed("The folder could not be read: " + ec.message()));

    Targets targets;
    std::vector<std::string> busy;
    for (const fs::path& entry : entries) {
        const std::string name = entry.filename().native();
        Target t{{name, EntryKind::Video, std::nullopt}, entry, kindOf(entry), std::nullopt};
        std::error_code typeError;
        const fs::file_status status = fs::symlink_status(entry, typeError);
        if (fs::is_directory(status)) {
            Result<std::optional<FolderLock>> inside = lockSubfolder(entry, LockWait(0));
            if (!inside) {
                busy.push_back(name);
                continue;
            }
            if (*inside)
                targets.held.push_back(std::move(**inside));
        }
        // How the lists (and so a later "Delete Permanently") know it.
        t.ref.kind = fs::is_regular_file(status) ? EntryKind::Video : EntryKind::Folder;
        if (t.kind == RemovedItem::Kind::Video) {
            t.record = ownRecordOf(*records, name);
            if (t.record)
                t.ref.recordKey = t.record->KEY;
        }
        targets.list.push_back(std::move(t));
    }
    // Every record leaves once its file is gone, also those that name no file.
    for (const RecordPtr& r : *records) {
        if (r && !std::any_of(targets.list.begin(), targets.list.end(), [&](const Target& t) { return t.record && t.record->KEY == r->KEY; }))
            change->removeRecord(*r);
    }

    RemovalOutcome out;
    out.removal.folder = folder;
    std::size_t stopped = 0;
    const bool ran = disposal == Disposal::EraseForGood ? eraseTargets(*change, targets.list, progress, out)
                                                        : trashTargets(*change, targets.list, progress, out, stopped);
    if (!ran)
        return out;

    // The store goes last, and only once no record in it names a file still here.
    const bool recordsLeft = std::any_of(records->begin(), records->end(), [&](const RecordPtr& r) {
        return present(folder / (r->FILENAME.value_or("") + "." + r->EXTENSION.value_or("")));
    });
    const fs::path store = folder / kStoreFileName;
    if (!recordsLeft && present(store) && stopped == 0 && busy.empty()) {
        if (disposal == Disposal::EraseForGood) {
            if (Status s = kavio::erasePermanently(store); !s)
                out.log.push_back("Left in place: " + std::string(kStoreFileName) + ": " + s.message());
        } else if (Result<TrashedEntry> removed = moveToTrash(store)) {
            out.removal.items.push_back({kStoreFileName, RemovedItem::Kind::Store, *removed, std::nullopt, {}});
        } else {
            out.log.push_back("Left in place: " + std::string(kStoreFileName) + ": " + removed.status().message());
        }
        (void)change->lock().sync(); // gone either way; a failed sync leaves it to the file system
    }
    if (out.done())
        sayWhatStayed(out, busy, stopped);
    model.loadMp4Files();
    return out;
}

Outcome restoreRemoval(FolderModel& model, const Removal& removal, LockWait wait, const RemovalProgress& progress)
{
    Result<FolderChange> change = FolderChange::begin(model, wait);
    if (!change)
        return cannotChange(change.status());
    const fs::path& folder = model.currentURL();
    std::vector<const RemovedItem*> back;
    std::vector<std::string> gone, taken;
    for (const RemovedItem& item : removal.items) {
        if (!stillInTrash(item.trashed))
            gone.push_back(item.name);
        else if (present(folder / item.name))
            taken.push_back(item.name);
        else
            back.push_back(&item);
    }
    // The store first: the records in it come back as they were, and those filed below
    // find themselves already there.
    std::stable_partition(back.begin(), back.end(), [](const RemovedItem* i) { return i->kind == RemovedItem::Kind::Store; });
    auto reasons = [&] {
        std::vector<std::string> lines;
        for (const std::string& name : gone)
            lines.push_back(inQuotes(escapedForTerminal(name)) + " is no longer in the trash.");
        for (const std::string& name : taken)
            lines.push_back(inQuotes(escapedForTerminal(name)) + " already exists in this folder; the one in the trash stays there.");
        return lines;
    };
    const bool onlyTheStore = std::all_of(back.begin(), back.end(), [](const RemovedItem* i) { return i->kind == RemovedItem::Kind::Store; });
    if (back.empty() || onlyTheStore) {
        if (gone.size() == 1 && taken.empty())
            return Outcome::refused(inQuotes(escapedForTerminal(gone.front())) + " is no longer in the trash, so nothing was put back.");
        if (taken.empty() && !gone.empty())
            return Outcome::refused("Nothing was put back: what was removed is no longer in the trash.");
        return Outcome::refused(listed("Nothing was put back:", reasons()));
    }

    std::vector<std::string> keys;
    for (const RemovedItem* item : back) {
        if (!item->record)
            continue;
        MovieInfo record = *item->record;
        const std::shared_ptr<StoreDictionary>& dict = model.prefsDict();
        const bool keyTaken = (record.KEY && dict && dict->contains(*record.KEY)) ||
                              std::find(keys.begin(), keys.end(), record.KEY.value_or("")) != keys.end();
        if (!record.KEY || record.KEY->empty() || keyTaken)
            record.KEY = change->newRecordKey(); // another record took its key meanwhile
        keys.push_back(*record.KEY);
        change->saveMovieModules(record);
    }
    std::vector<std::string> failed;
    std::vector<fs::path> restored;
    bool ran = false;
    const Status committed = change->commit([&] {
        ran = true;
        std::vector<TrashedEntry> entries;
        for (const RemovedItem* item : back)
            entries.push_back(item->trashed);
        TrashProgress settled;
        if (progress)
            settled = [&](std::size_t n) { return progress(n, entries.size()); };
        const std::vector<Status> results = restoreAllFromTrash(entries, settled);
        std::size_t stopped = 0;
        for (std::size_t i = 0; i < results.size(); ++i) {
            if (results[i])
                restored.push_back(back[i]->keptRecord);
            else if (results[i].code() == Status::Code::Cancelled)
                ++stopped;
            else
                failed.push_back(results[i].message());
        }
        if (stopped > 0)
            failed.push_back(std::to_string(stopped) + " items stay in the trash: putting back was stopped.");
        return Status::ok(); // each result is read above; a record is filed only where its file came back
    });
    if (!ran)
        return Outcome::failed("Nothing was put back: " + committed.message());
    RemovedRecords().forget(restored);
    Outcome out;
    if (!committed)
        out.log.push_back("The records of the videos put back are filed at the next change: " + committed.message());
    std::vector<std::string> lines = reasons();
    lines.insert(lines.end(), failed.begin(), failed.end());
    if (!lines.empty()) {
        out.kind = Outcome::Kind::Failed;
        out.message = listed("Not everything was put back:", lines);
    }
    return out;
}

Removal latestRemovalOf(const FolderModel& model, const std::string& name)
{
    Removal removal{model.currentURL(), {}};
    const std::vector<TrashedEntry> found = trashedFrom(model.currentURL() / name);
    if (found.empty())
        return removal;
    const TrashedEntry& latest = found.back();
    RemovedItem item{name, kindOf(latest.filesPath()), latest, std::nullopt, {}};
    if (item.kind == RemovedItem::Kind::Other && isVideoFileName(name) && !name.starts_with('.'))
        item.kind = RemovedItem::Kind::Video;
    if (item.kind == RemovedItem::Kind::Video) {
        if (std::optional<KeptRecord> kept = RemovedRecords().latestFor(latest.original, latest.size, latest.modified)) {
            item.record = std::move(kept->removed.record);
            item.keptRecord = std::move(kept->file);
        }
    }
    removal.items.push_back(std::move(item));
    return removal;
}

namespace {

std::string counted(std::size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string whatWent(const Removal& removal)
{
    std::size_t videos = 0, folders = 0, others = 0;
    const RemovedItem* single = nullptr;
    for (const RemovedItem& item : removal.items) {
        switch (item.kind) {
        case RemovedItem::Kind::Video: ++videos; break;
        case RemovedItem::Kind::Folder: ++folders; break;
        case RemovedItem::Kind::Other: ++others; break;
        case RemovedItem::Kind::Store: continue;
        }
        single = &item;
    }
    if (videos + folders + others == 1) {
        const std::string shown = single->record && single->record->FILENAME ? *single->record->FILENAME : single->name;
        return inQuotes(escapedForTerminal(shown));
    }
    std::vector<std::string> parts;
    if (videos > 0)
        parts.push_back(counted(videos, "video", "videos"));
    if (folders > 0)
        parts.push_back(counted(folders, "folder", "folders"));
    if (others > 0)
        parts.push_back(counted(others, "other item", "other items"));
    if (parts.empty())
        return "Nothing";
    std::string text = parts.front();
    for (std::size_t i = 1; i < parts.size(); ++i)
        text += (i + 1 == parts.size() ? " and " : ", ") + parts[i];
    return text;
}

} // namespace

std::string removalNotice(const Removal& removal)
{
    return whatWent(removal) + " moved to the trash";
}

std::string restoredNotice(const Removal& removal)
{
    return whatWent(removal) + " put back";
}

} // namespace kavio::phone
