#pragma once
// What "Save Changes" in the metadata editor does, as plain functions over a file-system
// seam, a clock and the folder model: no widgets, so the editor, kavio-store and the tests
// share it. A save is planned (checks, nothing touched), placed (the one step that may
// take long: copying a video into a hidden file of the folder; safe to run off the main
// thread, and done without the folder's lock) and finished (one change of the folder: the
// video takes its name and the store its record, on the thread that owns the model).

#include "library/FileSystem.h"
#include "library/FolderModel.h"
#include "phone/Exports.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace kavio::phone {

enum class ImportKind {
    Link,   // a stream URL; the folder gets an empty placeholder file
    Copy,   // someone else's file (the document picker): copied, never touched
    Move,   // a file handed over to be moved in (kavio-store --move)
    Export, // Kavio's own temporary export of a picked video: moved in, removed on failure
};

// What the presenter hands to the editor.
struct EditorInput {
    EditorInput() = default;
    EditorInput(ImportKind k, std::filesystem::path v, std::string url,
                std::shared_ptr<const ExportFolder> held = nullptr)
        : kind(k), video(std::move(v)), urlLink(std::move(url)), exportFolder(std::move(held))
    {
    }

    ImportKind kind = ImportKind::Link;
    std::filesystem::path video; // the source file; empty for a link
    std::string urlLink;         // a link's text, as typed
    // An export's folder, held (and so kept from cleanups) while the editor may take it.
    std::shared_ptr<const ExportFolder> exportFolder;
};

// The title field's first text: the source's name without its extension; empty for a link.
std::string proposedTitle(const EditorInput& input);

struct EditorForm {
    std::string title;                    // as typed, not trimmed
    std::string artist;                   // as typed; may be empty
    std::optional<std::string> thumbnail; // PNG bytes of the image shown
};

struct EditorOutcome {
    enum class Kind {
        Saved,
        StayOpen,   // nothing changed; the editor stays for another try
        CloseAfter, // nothing changed; the alert's "OK" closes the editor
        Busy,       // nothing changed; another program holds the folder (try again)
    };
    Kind kind = Kind::Saved;
    std::string message; // the "Err" alert's message; empty: none
    std::optional<MovieInfo> record;

    static EditorOutcome stayOpen(std::string m) { return {Kind::StayOpen, std::move(m), {}}; }
    static EditorOutcome closeAfter(std::string m) { return {Kind::CloseAfter, std::move(m), {}}; }
    static EditorOutcome busy(std::string m) { return {Kind::Busy, std::move(m), {}}; }
};

inline constexpr char kTitleNotEntered[] = "The title name has not been entered.";
inline constexpr char kLinkNameTaken[] = "Could not save because the same file name already exists. Please rename the file.";
inline constexpr char kPlaceholderFailed[] = "An error occurred during file creation.";
inline constexpr char kSameFileName[] = "It looks like the same file name already exists.";
inline constexpr char kUrlNotEntered[] = "Url link not entered.";

// Where the video goes; decided before anything is touched.
struct Placement {
    EditorInput input;
    std::filesystem::path target;
    std::string extension; // without the dot, in the source's own case; "mp4" for a link
    std::string title;     // as filed: a typed ".mp4" matching the extension is dropped, as a rename drops it
};

std::variant<Placement, EditorOutcome> planSave(const FolderModel& model, const EditorInput& input,
                                                const EditorForm& form, FileSystem& files);
// What place prepared: a copy waiting in the folder (a document, or a video moved in from
// another file system). A link, an export and a move within one file system are put in
// place by the finish alone.
struct Placed {
    Status status;
    std::shared_ptr<StagedCopy> staged;
};
// Whether place has a copy to make, which may take minutes (run it off the main thread).
bool placeCopies(const Placement& placement);
// The copy, with progress and cancel through control. Nothing else, and nothing in sight.
Placed place(const Placement& placement, FileSystem& files, CopyControl* control);
// After place, as one change of the folder (waiting up to wait for it): the video takes its
// name and the store its record, or neither (the failure table's answer); Busy when the
// folder stayed held by another program.
EditorOutcome finishSave(FolderModel& model, const Placement& placement, const Placed& placed,
                         const EditorForm& form, FileSystem& files, std::chrono::system_clock::time_point now,
                         std::chrono::milliseconds wait = std::chrono::milliseconds(0));

// All three at once (kavio-store, tests).
EditorOutcome saveEditor(FolderModel& model, const EditorInput& input, const EditorForm& form, FileSystem& files,
                         std::chrono::system_clock::time_point now, CopyControl* control = nullptr,
                         std::chrono::milliseconds wait = std::chrono::milliseconds(0));

// The PNG stored when no picture was picked.
const std::string& defaultThumbnailPng();

} // namespace kavio::phone
