#pragma once
// Where videos stopped, for the player: one positions file for the process (Kavio's own
// state), updated as playback goes, written off the main thread at most every five
// seconds, and at once on pause, close and unplug.

#include "library/PlaybackPositions.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>

namespace kavio::carplay {

class PlaybackMemory {
public:
    static constexpr std::chrono::seconds kSaveEvery{5};

    static PlaybackMemory& shared();
    // Another positions file from now on (tests); read at once.
    static void useFile(const std::filesystem::path& file);

    PlaybackMemory(const PlaybackMemory&) = delete;
    PlaybackMemory& operator=(const PlaybackMemory&) = delete;

    std::optional<double> resumeAt(const PlaybackItem& item) const { return positions_->resumeAt(item); }
    // While it plays: remembered, written now and then.
    void playing(const PlaybackItem& item, double seconds, std::optional<double> duration);
    // Paused, left for another entry, closed: written now.
    void stopped(const PlaybackItem& item, double seconds, std::optional<double> duration);
    // Played to its end: the next time starts from the beginning.
    void ended(const PlaybackItem& item);

    const PlaybackPositions& positions() const { return *positions_; }

private:
    explicit PlaybackMemory(const std::filesystem::path& file);
    void saveNow();

    std::unique_ptr<PlaybackPositions> positions_;
    std::chrono::steady_clock::time_point lastSave_ = std::chrono::steady_clock::now();
};

} // namespace kavio::carplay
