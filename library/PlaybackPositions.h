#pragma once
// Where each video stopped, so that choosing it again starts there: Kavio's own state, in
// one small file under $XDG_STATE_HOME/Kavio, never in the Documents tree (whose stores
// stay exactly as peers write them).
//
// A video is known by its file's absolute path (a stream by its URL); a file renamed or
// moved starts over, and so does another file put in its place (a different size or
// modification time). At most the 1,000 most recently played are kept.

#include "library/Status.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace kavio {

struct PlaybackItem {
    std::string id;                       // absolute path, or the stream's URL
    std::optional<std::uint64_t> size;    // files only
    std::optional<std::int64_t> modified; // nanoseconds since the epoch; files only

    static PlaybackItem file(const std::filesystem::path& path);
    static PlaybackItem stream(std::string url);
};

class PlaybackPositions {
public:
    static constexpr std::size_t kCapacity = 1000;
    static constexpr double kResumeBack = 3;  // seconds of context before the stop
    static constexpr double kMinimumPlayed = 10;
    static constexpr double kEndMargin = 15;  // a stop this close to the end counts as the end

    // $XDG_STATE_HOME/Kavio/positions.plist (~/.local/state/Kavio/... when unset).
    static std::filesystem::path defaultFile();

    // Reads the file; one that does not read is set aside (renamed) and the positions start
    // empty: playing never fails for it.
    explicit PlaybackPositions(std::filesystem::path file);
    PlaybackPositions(const PlaybackPositions&) = delete;
    PlaybackPositions& operator=(const PlaybackPositions&) = delete;

    // Where item should start: the stop less kResumeBack, when the same file stopped there.
    std::optional<double> resumeAt(const PlaybackItem& item) const;
    // Where item stands now. Under kMinimumPlayed seconds, or within kEndMargin of a known
    // end, it has nothing to resume.
    void record(const PlaybackItem& item, double seconds, std::optional<double> duration);
    void playedToEnd(const PlaybackItem& item);

    struct Entry {
        double position = 0;
        std::optional<std::uint64_t> size;
        std::optional<std::int64_t> modified;
        std::uint64_t order = 0; // higher: played more recently
    };
    // What the file is to hold, copied out so that it can be written elsewhere.
    using Snapshot = std::map<std::string, Entry>;
    static std::string serialise(const Snapshot& snapshot);

    bool isDirty() const { return dirty_; }
    // The positions as they stand; marks them saved.
    Snapshot snapshot();
    // snapshot() written with the library's atomic write.
    Status save();

    const std::filesystem::path& file() const { return file_; }
    std::size_t size() const { return entries_.size(); }
    // Where a damaged file was put, when one was.
    const std::optional<std::filesystem::path>& setAside() const { return setAside_; }

private:
    void load();
    void forget(const std::string& id);

    std::filesystem::path file_;
    Snapshot entries_;
    std::uint64_t nextOrder_ = 1;
    bool dirty_ = false;
    std::optional<std::filesystem::path> setAside_;
};

// Serialises and writes positions files one at a time off the main thread, the newest
// snapshot winning; a write still running when the process ends is waited for.
void saveInBackground(const std::filesystem::path& file, PlaybackPositions::Snapshot snapshot);
// Blocks until the background writes so far are done (tests, shutdown).
void waitForBackgroundSaves();

} // namespace kavio
