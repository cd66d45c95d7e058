#pragma once
// The sound and subtitle tracks a person picked for each video, so that it plays with them
// again: Kavio's own state beside the playback positions, known by the same identity (the
// file's absolute path with its size and modification time, or a stream's URL). Unlike a
// position, a pick outlives the end of the video. At most the 1,000 most recently picked
// are kept.

#include "library/MediaTracks.h"
#include "library/PlaybackPositions.h"
#include "library/Status.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace kavio {

class TrackChoices {
public:
    static constexpr std::size_t kCapacity = 1000;
    // A longer identity (a stream's URL) is not remembered: every entry must fit the file's
    // readers, whatever the person played.
    static constexpr std::size_t kMaxIdBytes = 16 * 1024;

    // $XDG_STATE_HOME/Kavio/tracks.plist.
    static std::filesystem::path defaultFile();

    // Reads the file; one that does not read is set aside and the picks start empty.
    explicit TrackChoices(std::filesystem::path file);
    TrackChoices(const TrackChoices&) = delete;
    TrackChoices& operator=(const TrackChoices&) = delete;

    // What was picked for item; nothing picked when another file now has its name.
    TrackChoice choiceFor(const PlaybackItem& item) const;
    // The whole pick for item from now on (the fields not picked stay unset). A video, or
    // a subtitle file, whose name a state file cannot hold (see fitsStateFile) is not
    // remembered.
    void remember(const PlaybackItem& item, const TrackChoice& choice);

    bool isDirty() const { return dirty_; }
    // Written with the library's atomic write; marks the picks saved.
    Status save();
    // The same off the main thread (see writeStateInBackground).
    void saveInBackground();

    const std::filesystem::path& file() const { return file_; }
    std::size_t size() const { return entries_.size(); }
    // Where a damaged file was put, when one was.
    const std::optional<std::filesystem::path>& setAside() const { return setAside_; }

    struct Entry {
        TrackChoice choice;
        std::optional<std::uint64_t> size;
        std::optional<std::int64_t> modified;
        std::uint64_t order = 0; // higher: picked more recently
    };
    using Snapshot = std::map<std::string, Entry>;
    static std::string serialise(const Snapshot& snapshot);

private:
    void load();

    std::filesystem::path file_;
    Snapshot entries_;
    std::uint64_t nextOrder_ = 1;
    bool dirty_ = false;
    std::optional<std::filesystem::path> setAside_;
};

} // namespace kavio
