#include "phone/EditorSave.h"

#include "library/FolderListing.h"
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

// Takes a placed video back out after the store refused its record, so no file is left
// without the title it was given.
void undoPlacement(const Placement& placement, FileSystem& files)
{
    switch (placement.input.kind) {
    case ImportKind::Link:
    case ImportKind::Copy: (void)files.remove(placement.target); break;
    case ImportKind::Move:
    case ImportKind::Export: (void)files.move(placement.target, placement.input.video, nullptr); break;
    }
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
    if (form.title.empty())
        return EditorOutcome::stayOpen(kTitleNotEntered);
    const bool link = input.kind == ImportKind::Link;
    Placement placement{input, {}, link ? std::string("mp4") : extensionOf(input.video)};
    if (std::optional<std::string> problem = nameProblem(form.title, NameUse::Title, placement.extension))
        return EditorOutcome::stayOpen(*problem);
    placement.target = model.currentURL() / (form.title + "." + placement.extension);
    if (link && files.exists(placement.target))
        return EditorOutcome::stayOpen(kLinkNameTaken);
    return placement;
}

Status place(const Placement& placement, FileSystem& files, CopyControl* control)
{
    switch (placement.input.kind) {
    case ImportKind::Link: return files.createEmptyFile(placement.target);
    case ImportKind::Copy: return files.copy(placement.input.video, placement.target, control);
    case ImportKind::Move:
    case ImportKind::Export: return files.move(placement.input.video, placement.target, control);
    }
    return Status::unsupported("unknown import");
}

EditorOutcome finishSave(FolderModel& model, const Placement& placement, const Status& placed,
                         const EditorForm& form, FileSystem& files, std::chrono::system_clock::time_point now)
{
    const ImportKind kind = placement.input.kind;
    if (!placed) {
        if (kind == ImportKind::Link)
            return EditorOutcome::stayOpen(placed.code() == Status::Code::AlreadyExists ? kLinkNameTaken : kPlaceholderFailed);
        if (placed.code() == Status::Code::Cancelled)
            return EditorOutcome::stayOpen({}); // asked for; the source is where it was
        if (kind == ImportKind::Export)
            (void)files.remove(placement.input.video); // the export was only ever Kavio's
        if (placed.code() == Status::Code::AlreadyExists)
            return EditorOutcome::closeAfter(kSameFileName);
        return EditorOutcome::closeAfter("The video could not be " + std::string(kind == ImportKind::Copy ? "copied" : "moved") +
                                         ": " + placed.message());
    }

    model.loadMp4Files(); // file under the store as it is now
    MovieInfo record;
    record.FILENAME = form.title;
    record.ARTIST = form.artist;
    record.EXTENSION = placement.extension;
    if (form.thumbnail)
        record.imgData = plist::Bytes(*form.thumbnail);
    record.KEY = model.newRecordKey(now);
    record.urlLink = kind == ImportKind::Link ? placement.input.urlLink : std::string();
    model.save_items()->push_back(std::make_shared<MovieInfo>(record));
    if (Status s = model.saveMovieModules(*record.KEY); !s) {
        undoPlacement(placement, files);
        model.loadMp4Files();
        return EditorOutcome::stayOpen(whyNotSaved(s));
    }
    return {EditorOutcome::Kind::Saved, {}, std::move(record)};
}

EditorOutcome saveEditor(FolderModel& model, const EditorInput& input, const EditorForm& form, FileSystem& files,
                         std::chrono::system_clock::time_point now, CopyControl* control)
{
    std::variant<Placement, EditorOutcome> plan = planSave(model, input, form, files);
    if (auto* early = std::get_if<EditorOutcome>(&plan))
        return *early;
    const Placement& placement = std::get<Placement>(plan);
    return finishSave(model, placement, place(placement, files, control), form, files, now);
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
