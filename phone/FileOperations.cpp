#include "phone/FileOperations.h"

#include "library/FileMoves.h"
#include "library/ImageHelper.h"
#include "phone/Names.h"

#include <cstring>

namespace kavio::phone {

namespace fs = std::filesystem;

namespace {

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

// The entry and its record as they are on disk now.
struct Resolved {
    fs::path path;
    std::optional<std::size_t> record; // the entry's record, its own or shared by name
    bool ownRecord = false;            // the record names this very file
};

std::optional<Resolved> resolve(FolderModel& model, const EntryRef& ref)
{
    model.loadMp4Files(); // act on the store as it is now, not as the menu saw it
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

Status fileRecord(FolderModel& model, const Resolved& at, const MovieInfo& record)
{
    auto& items = *model.save_items();
    if (at.ownRecord) {
        items[*at.record] = std::make_shared<MovieInfo>(record);
        return model.updateRecord(*at.record);
    }
    items.push_back(std::make_shared<MovieInfo>(record));
    return model.saveMovieModules(*record.KEY);
}

Outcome renameFolder(const FolderModel& model, const EntryRef& ref, const fs::path& from, std::string_view newName)
{
    if (std::optional<std::string> problem = nameProblem(newName, NameUse::FolderName))
        return Outcome::refused(*problem);
    if (newName == ref.name)
        return {};
    const fs::path to = model.currentURL() / std::string(newName);
    if (Status s = moveNoReplace(from, to); !s) {
        Outcome out = Outcome::failed({}); // the folder stays; only the log says why
        const std::string why = s.code() == Status::Code::AlreadyExists ? std::strerror(EEXIST) : s.message();
        out.log.push_back("フォルダーのリネームに失敗しました: " + why);
        return out;
    }
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

Outcome createFolder(FolderModel& model, std::string_view typedName)
{
    if (std::optional<std::string> problem = nameProblem(typedName, NameUse::FolderPath))
        return Outcome::refused(*problem);
    std::error_code ec;
    if (fs::exists(fs::symlink_status(model.currentURL() / std::string(typedName), ec)))
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

Outcome renameEntry(FolderModel& model, const EntryRef& ref, std::string_view newName, std::string_view artist)
{
    if (newName.empty())
        return Outcome::refused(kNoCharactersEntered);
    const std::optional<Resolved> at = resolve(model, ref);
    if (!at) {
        Outcome out = Outcome::refused(itemChanged(ref.name));
        if (ref.kind == EntryKind::Folder)
            out.log.push_back("リネームするフォルダーが見つかりません: " + (model.currentURL() / ref.name).string());
        return out;
    }
    if (ref.kind == EntryKind::Folder)
        return renameFolder(model, ref, at->path, newName);

    const std::string extension = extensionOf(ref.name);
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

    if (moves) {
        if (Status s = moveNoReplace(at->path, to); !s) {
            if (s.code() == Status::Code::AlreadyExists)
                return Outcome::refused(inQuotes(newFile) + " already exists in this folder.");
            return Outcome::failed(s.message());
        }
    }
    if (Status s = fileRecord(model, *at, record); !s) {
        if (moves)
            (void)moveNoReplace(to, at->path); // the title stays with its file
        model.loadMp4Files();
        return Outcome::failed(writeFailure(s));
    }
    Outcome out;
    out.record = std::move(record);
    return out;
}

Outcome removeEntry(FolderModel& model, const EntryRef& ref)
{
    const std::optional<Resolved> at = resolve(model, ref);
    if (!at)
        return Outcome::refused(itemChanged(ref.name));
    if (Result<TrashedEntry> removed = removeToTrash(at->path); !removed)
        return Outcome::failed(kFailedToDelete);
    Outcome out;
    if (ref.kind == EntryKind::Video && at->ownRecord && model.prefsDict()) {
        out.record = *(*model.save_items())[*at->record];
        // The file is gone either way; a record left behind by a failed write names nothing.
        (void)model.removeRecord(*at->record);
    }
    return out;
}

Outcome changeThumbnail(FolderModel& model, const EntryRef& ref, const fs::path& picture)
{
    const std::optional<Resolved> at = resolve(model, ref);
    if (!at)
        return Outcome::refused(itemChanged(ref.name));
    if (ref.kind != EntryKind::Video)
        return Outcome::refused("Only videos have a thumbnail.");
    if (!model.prefsDict())
        return Outcome::refused(kStoreUnreadable);
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
    MovieInfo record = recordToChange(model, ref, *at);
    record.imgData = plist::Bytes(std::move(bytes).value());
    if (Status s = fileRecord(model, *at, record); !s) {
        model.loadMp4Files();
        return Outcome::failed(writeFailure(s));
    }
    Outcome out;
    out.record = std::move(record);
    return out;
}

Outcome emptyFolder(FolderModel& model)
{
    std::error_code ec;
    std::vector<fs::path> entries;
    for (fs::directory_iterator it(model.currentURL(), ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(it->path());
    for (const fs::path& entry : entries)
        (void)removeToTrash(entry);
    model.loadMp4Files();
    return {};
}

} // namespace kavio::phone
