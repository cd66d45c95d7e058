#include "phone/FileOperations.h"

#include "library/FileMoves.h"
#include "library/FolderChange.h"
#include "library/ImageHelper.h"
#include "library/PlainText.h"
#include "phone/Names.h"
#include "phone/OperationSupport.h"

#include <algorithm>
#include <cstring>

namespace kavio::phone {

namespace fs = std::filesystem;

namespace detail {

std::string inQuotes(std::string_view name)
{
    return "\"" + std::string(name) + "\"";
}

std::string extensionOf(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos || dot == 0 ? std::string() : std::string(name.substr(dot + 1));
}

std::string itemChanged(std::string_view name)
{
    return inQuotes(name) + " changed before the action ran, so nothing was done.";
}

bool present(const fs::path& path)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

std::optional<Resolved> resolve(const FolderModel& model, const EntryRef& ref)
{
    Resolved r{model.currentURL() / ref.name, std::nullopt, false};
    std::error_code ec;
    if (ref.name.empty() || !fs::exists(fs::symlink_status(r.path, ec)))
        return std::nullopt;
    const EntryKind kindNow = fs::is_regular_file(r.path, ec) ? EntryKind::Video : EntryKind::Folder;
    if (kindNow != ref.kind)
        return std::nullopt;
    if (ref.kind == EntryKind::Folder)
        return r;
    const std::string base = baseNameOf(ref.name);
    if (ref.recordKey) {
        r.record = model.recordIndexForKey(*ref.recordKey);
        if (!r.record || (*model.save_items())[*r.record]->FILENAME != base)
            return std::nullopt;
    } else {
        r.record = model.recordIndexForBaseName(base);
    }
    if (r.record)
        r.ownRecord = (*model.save_items())[*r.record]->EXTENSION == extensionOf(ref.name);
    return r;
}

Outcome cannotChange(const Status& status)
{
    switch (status.code()) {
    case Status::Code::Busy: return Outcome::busy();
    case Status::Code::NotFound: return Outcome::refused("This folder is no longer there.");
    default: return Outcome::failed("The folder could not be changed: " + status.message());
    }
}

Result<std::optional<FolderLock>> lockSubfolder(const fs::path& folder, LockWait wait)
{
    Result<FolderLock> lock = FolderLock::acquire(folder, LockMode::Exclusive, wait);
    if (lock)
        return std::optional<FolderLock>(std::move(lock).value());
    if (lock.status().code() == Status::Code::Busy)
        return lock.status();
    return std::optional<FolderLock>();
}

} // namespace detail

namespace {

using namespace detail;

const char kStoreUnreadable[] =
    "This folder's list of saved videos cannot be read, so Kavio leaves it as it is and cannot save the change.";

std::string writeFailure(const Status& status)
{
    switch (status.code()) {
    case Status::Code::LimitExceeded:
        return "The change would make this folder's list of saved videos too large to read back, so it was not saved.";
    case Status::Code::Unsupported: return kStoreUnreadable;
    default: return "The change could not be saved: " + status.message();
    }
}

// The record the action changes: a copy of the entry's own, or a new one for a file that
// has none yet (copied in by hand) or shares one with a namesake of another extension.
MovieInfo recordToChange(const FolderModel& model, const EntryRef& ref, const Resolved& at)
{
    if (at.ownRecord)
        return *(*model.save_items())[*at.record];
    MovieInfo r;
    r.FILENAME = baseNameOf(ref.name);
    r.EXTENSION = extensionOf(ref.name);
    r.ARTIST = std::string();
    r.urlLink = std::string();
    if (at.record) {
        const MovieInfo& shared = *(*model.save_items())[*at.record];
        r.ARTIST = shared.ARTIST;
        r.imgData = shared.imgData;
    }
    r.KEY = model.newRecordKey();
    return r;
}

Outcome renameFolder(FolderChange& change, const EntryRef& ref, const fs::path& from, std::string_view newName,
                     LockWait wait)
{
    if (std::optional<std::string> problem = nameProblem(newName, NameUse::FolderName))
        return Outcome::refused(*problem);
    if (newName == ref.name)
        return {};
    const fs::path to = change.model().currentURL() / std::string(newName);
    const Result<std::optional<FolderLock>> inside = lockSubfolder(from, wait);
    if (!inside)
        return Outcome::busy();
    // One rename: the store goes with the folder, and a crash leaves the old name or the new.
    if (Status s = moveNoReplace(from, to); !s) {
        Outcome out = Outcome::failed({}); // the folder stays; only the log says why
        const std::string why = s.code() == Status::Code::AlreadyExists ? std::strerror(EEXIST) : s.message();
        out.log.push_back("フォルダーのリネームに失敗しました: " + why);
        return out;
    }
    (void)change.lock().sync(); // renamed either way; a failed sync leaves it to the file system
    Outcome out;
    out.log.push_back("フォルダーがリネームされました: " + to.string());
    return out;
}

} // namespace

EntryRef entryRefFor(const FolderModel& model, const FolderEntry& entry)
{
    EntryRef ref{entry.name, entry.kind, std::nullopt};
    if (entry.kind == EntryKind::Video) {
        if (std::optional<std::size_t> i = model.recordIndexFor(entry))
            ref.recordKey = (*model.save_items())[*i]->KEY;
    }
    return ref;
}

std::optional<EntryRef> entryRefNamed(const FolderModel& model, std::string_view name)
{
    for (const FolderEntry& entry : model.dirCon()) {
        if (entry.name == name)
            return entryRefFor(model, entry);
    }
    return std::nullopt;
}

Outcome Outcome::busy()
{
    return {Kind::Busy, kFolderBusy, {}, {}};
}

Outcome createFolder(FolderModel& model, std::string_view typedName, LockWait wait)
{
    if (std::optional<std::string> problem = nameProblem(typedName, NameUse::FolderPath))
        return Outcome::refused(*problem);
    const Result<FolderChange> change = FolderChange::begin(model, wait);
    if (!change)
        return cannotChange(change.status());
    std::error_code ec;
    if (present(model.currentURL() / std::string(typedName)))
        return Outcome::refused(kFolderAlreadyExists);

    // One level at a time, never through a link: nothing typed reaches outside the folder.
    std::vector<fs::path> created;
    auto undo = [&] {
        for (auto it = created.rbegin(); it != created.rend(); ++it)
            fs::remove(*it, ec); // only while still empty
    };
    fs::path at = model.currentURL();
    for (const fs::path& part : fs::path(std::string(typedName))) {
        at /= part;
        if (!fs::exists(fs::symlink_status(at, ec))) {
            std::error_code mkdirError;
            if (fs::create_directory(at, mkdirError))
                created.push_back(at);
            else if (mkdirError) {
                undo();
                return Outcome::failed(mkdirError.message());
            }
        }
        const fs::file_status st = fs::symlink_status(at, ec);
        if (fs::is_symlink(st) || !fs::is_directory(st)) {
            undo();
            return Outcome::failed(inQuotes(part.string()) + (fs::is_symlink(st) ? " is a link, not a folder." : " is not a folder."));
        }
    }
    return {};
}

Outcome renameEntry(FolderModel& model, const EntryRef& ref, std::string_view newName, std::string_view artist,
                    LockWait wait)
{
    if (newName.empty())
        return Outcome::refused(kNoCharactersEntered);
    Result<FolderChange> change = FolderChange::begin(model, wait);
    if (!change)
        return cannotChange(change.status());
    const std::optional<Resolved> at = resolve(model, ref);
    if (!at) {
        Outcome out = Outcome::refused(itemChanged(ref.name));
        if (ref.kind == EntryKind::Folder)
            out.log.push_back("リネームするフォルダーが見つかりません: " + (model.currentURL() / ref.name).string());
        return out;
    }
    if (ref.kind == EntryKind::Folder)
        return renameFolder(*change, ref, at->path, newName, wait);

    const std::string extension = extensionOf(ref.name);
    newName = titleWithoutExtension(newName, extension);
    if (std::optional<std::string> problem = nameProblem(newName, NameUse::Title, extension))
        return Outcome::refused(*problem);
    if (!model.prefsDict())
        return Outcome::refused(kStoreUnreadable);
    const std::string newFile = std::string(newName) + "." + extension;
    const fs::path to = model.currentURL() / newFile;
    const bool moves = newFile != ref.name;

    MovieInfo record = recordToChange(model, ref, *at);
    const MovieInfo before = record;
    record.FILENAME = std::string(newName);
    if (!artist.empty())
        record.ARTIST = std::string(artist);
    if (at->ownRecord && record == before)
        return {}; // nothing asked for
    if (!at->ownRecord && !moves && artist.empty())
        return {};

    change->saveMovieModules(record);
    std::optional<Status> moveFailure;
    const Status s = moves ? change->commit(
                                 [&] {
                                     Status moved = moveNoReplace(at->path, to);
                                     if (!moved)
                                         moveFailure = moved;
                                     return moved;
                                 },
                                 [&] { return moveNoReplace(to, at->path); }) // the title stays with its file
                           : change->commit();
    if (moveFailure) {
        if (moveFailure->code() == Status::Code::AlreadyExists)
            return Outcome::refused(inQuotes(newFile) + " already exists in this folder.");
        return Outcome::failed(moveFailure->message());
    }
    if (!s)
        return Outcome::failed(writeFailure(s));
    Outcome out;
    out.record = std::move(record);
    return out;
}

Outcome changeThumbnail(FolderModel& model, const EntryRef& ref, const fs::path& picture, LockWait wait)
{
    if (ref.kind != EntryKind::Video)
        return Outcome::refused("Only videos have a thumbnail.");
    // Decoded before the folder is held: a camera picture takes a moment.
    Result<std::string> bytes = thumbnailFromPictureFile(picture);
    if (!bytes) {
        const std::string name = inQuotes(picture.filename().string());
        switch (bytes.status().code()) {
        case Status::Code::Corrupt: return Outcome::refused(name + " is not a picture Kavio can read.");
        case Status::Code::LimitExceeded: return Outcome::refused(name + " is too large to be a thumbnail.");
        case Status::Code::NotFound: return Outcome::refused(name + " could not be opened.");
        default: return Outcome::failed(bytes.status().message());
        }
    }
    Result<FolderChange> change = FolderChange::begin(model, wait);
    if (!change)
        return cannotChange(change.status());
    const std::optional<Resolved> at = resolve(model, ref);
    if (!at)
        return Outcome::refused(itemChanged(ref.name));
    if (!model.prefsDict())
        return Outcome::refused(kStoreUnreadable);
    // A new record names its file by title; a name that is not text cannot be a title, so
    // such a record would never find its file again.
    if (!at->ownRecord && !isValidUtf8(ref.name))
        return Outcome::refused(inQuotes(escapedForTerminal(ref.name)) +
                                " has a name that is not valid text, so Kavio cannot keep a thumbnail for it. Rename it first.");
    MovieInfo record = recordToChange(model, ref, *at);
    record.imgData = plist::Bytes(std::move(bytes).value());
    change->saveMovieModules(record);
    if (Status s = change->commit(); !s)
        return Outcome::failed(writeFailure(s));
    Outcome out;
    out.record = std::move(record);
    return out;
}

} // namespace kavio::phone
