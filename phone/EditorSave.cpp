#include "phone/EditorSave.h"

#include "library/FolderChange.h"
#include "library/FolderListing.h"
#include "phone/FileOperations.h"
#include "phone/Names.h"

#include <QFile>

namespace kavio::phone {

namespace fs = std::filesystem;

namespace {

std::string extensionOf(const fs::path& file)
{
    const std::string name = file.filename().string();
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot + 1);
}

std::string whyNotSaved(const Status& status)
{
    switch (status.code()) {
    case Status::Code::LimitExceeded:
        return "The video would make this folder's list of saved videos too large to read back, so it was not added.";
    case Status::Code::Unsupported:
        return "This folder's list of saved videos cannot be read, so Kavio leaves it as it is and cannot add the video.";
    default: return "The video's title and thumbnail could not be saved: " + status.message();
    }
}

// The failure table of putting the video in place, whether the copy before the change
// failed or the step inside it.
EditorOutcome placementFailed(const Placement& placement, const Status& failure, FileSystem& files)
{
    const ImportKind kind = placement.input.kind;
    if (failure.code() == Status::Code::Busy)
        return EditorOutcome::busy(kFolderBusy); // the copy waited for the folder in vain
    if (kind == ImportKind::Link)
        return EditorOutcome::stayOpen(failure.code() == Status::Code::AlreadyExists ? kLinkNameTaken
                                                                                      : kPlaceholderFailed);
    if (failure.code() == Status::Code::Cancelled)
        return EditorOutcome::stayOpen({}); // asked for; the source is where it was
    if (kind == ImportKind::Export)
        (void)files.remove(placement.input.video); // the export was only ever Kavio's; its folder goes with the editor
    if (failure.code() == Status::Code::AlreadyExists)
        return EditorOutcome::closeAfter(kSameFileName);
    const std::string verb = kind == ImportKind::Copy ? "copied" : "moved";
    return EditorOutcome::closeAfter("The video could not be " + verb + ": " + failure.message());
}

// The file step of the change: the video takes its name in the folder.
Status putInPlace(const Placement& placement, const Placed& placed, FileSystem& files)
{
    const fs::path& target = placement.target;
    switch (placement.input.kind) {
    case ImportKind::Link: return files.createEmptyFile(target);
    case ImportKind::Copy: return placed.staged->placeAs(target);
    case ImportKind::Export: return files.move(placement.input.video, target, nullptr);
    case ImportKind::Move:
        if (!placed.staged)
            return files.move(placement.input.video, target, nullptr);
        if (Status s = placed.staged->placeAs(target); !s)
            return s;
        if (Status s = files.remove(placement.input.video); !s) {
            // The source stays: take the copy back so nothing doubles.
            (void)files.remove(target);
            return Status::ioError("the source could not be removed after copying");
        }
        return Status::ok();
    }
    return Status::unsupported("unknown import");
}

// Takes a placed video back out after the store refused its record, so no file is left
// without the title it was given.
Status takeBack(const Placement& placement, FileSystem& files)
{
    switch (placement.input.kind) {
    case ImportKind::Link:
    case ImportKind::Copy: return files.remove(placement.target);
    case ImportKind::Move:
    case ImportKind::Export: return files.move(placement.target, placement.input.video, nullptr);
    }
    return Status::unsupported("unknown import");
}

} // namespace

std::string proposedTitle(const EditorInput& input)
{
    if (input.kind == ImportKind::Link || input.video.empty())
        return {};
    return baseNameOf(input.video.filename().string());
}

std::variant<Placement, EditorOutcome> planSave(const FolderModel& model, const EditorInput& input,
                                                const EditorForm& form, FileSystem& files)
{
    const bool link = input.kind == ImportKind::Link;
    if (link) {
        if (input.urlLink.empty())
            return EditorOutcome::closeAfter(kUrlNotEntered);
        if (std::optional<std::string> problem = linkProblem(input.urlLink))
            return EditorOutcome::closeAfter(*problem);
    }
    if (form.title.empty())
        return EditorOutcome::stayOpen(kTitleNotEntered);
    Placement placement{input, {}, link ? std::string("mp4") : extensionOf(input.video), {}};
    placement.title = std::string(titleWithoutExtension(form.title, placement.extension));
    if (std::optional<std::string> problem = nameProblem(placement.title, NameUse::Title, placement.extension))
        return EditorOutcome::stayOpen(*problem);
    placement.target = model.currentURL() / (placement.title + "." + placement.extension);
    if (link && files.exists(placement.target))
        return EditorOutcome::stayOpen(kLinkNameTaken);
    return placement;
}

bool placeCopies(const Placement& placement)
{
    switch (placement.input.kind) {
    case ImportKind::Link:
    case ImportKind::Export: return false;
    case ImportKind::Copy: return true;
    case ImportKind::Move: return !renameReaches(placement.input.video, placement.target.parent_path());
    }
    return false;
}

Placed place(const Placement& placement, FileSystem& files, CopyControl* control)
{
    if (!placeCopies(placement))
        return {};
    Result<StagedCopy> staged = files.stageCopy(placement.input.video, placement.target, control);
    if (!staged)
        return {staged.status(), nullptr};
    return {Status::ok(), std::make_shared<StagedCopy>(std::move(staged).value())};
}

EditorOutcome finishSave(FolderModel& model, const Placement& placement, const Placed& placed,
                         const EditorForm& form, FileSystem& files, std::chrono::system_clock::time_point now,
                         std::chrono::milliseconds wait)
{
    if (!placed.status)
        return placementFailed(placement, placed.status, files);
    Result<FolderChange> change = FolderChange::begin(model, wait);
    if (!change) {
        if (change.status().code() == Status::Code::Busy)
            return EditorOutcome::busy(kFolderBusy);
        return EditorOutcome::stayOpen(whyNotSaved(change.status()));
    }
    if (!model.prefsDict())
        return EditorOutcome::stayOpen(whyNotSaved(Status::unsupported("unreadable store")));

    // Filed under the store as reloaded under the lock: its key is unique in the folder.
    MovieInfo record;
    record.FILENAME = placement.title;
    record.ARTIST = form.artist;
    record.EXTENSION = placement.extension;
    if (form.thumbnail)
        record.imgData = plist::Bytes(*form.thumbnail);
    record.KEY = model.newRecordKey(now);
    record.urlLink = placement.input.kind == ImportKind::Link ? placement.input.urlLink : std::string();
    change->saveMovieModules(record);
    std::optional<Status> stepFailure;
    const Status s = change->commit(
        [&] {
            Status placedNow = putInPlace(placement, placed, files);
            if (!placedNow)
                stepFailure = placedNow;
            return placedNow;
        },
        [&] { return takeBack(placement, files); });
    if (stepFailure)
        return placementFailed(placement, *stepFailure, files);
    if (!s)
        return EditorOutcome::stayOpen(whyNotSaved(s));
    return {EditorOutcome::Kind::Saved, {}, std::move(record)};
}

EditorOutcome saveEditor(FolderModel& model, const EditorInput& input, const EditorForm& form, FileSystem& files,
                         std::chrono::system_clock::time_point now, CopyControl* control,
                         std::chrono::milliseconds wait)
{
    std::variant<Placement, EditorOutcome> plan = planSave(model, input, form, files);
    if (auto* early = std::get_if<EditorOutcome>(&plan))
        return *early;
    const Placement& placement = std::get<Placement>(plan);
    return finishSave(model, placement, place(placement, files, control), form, files, now, wait);
}

const std::string& defaultThumbnailPng()
{
    static const std::string png = [] {
        QFile file(QStringLiteral(":/icons/mp4_preview.png"));
        if (!file.open(QIODevice::ReadOnly))
            return std::string();
        const QByteArray bytes = file.readAll();
        return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }();
    return png;
}

} // namespace kavio::phone
