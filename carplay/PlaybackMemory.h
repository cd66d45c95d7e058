#pragma once
// What the player keeps of each video, for the process: where it stopped (updated as
// playback goes, written off the main thread at most every five seconds, and at once on
// pause, close and unplug), the sound and subtitle tracks the person picked, and what was
// playing, so that the car can go on with it when it starts again. Kavio's own state, in
// three files side by side.

#include "library/LastSession.h"
#include "library/PlaybackPositions.h"
#include "library/TrackChoices.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>

namespace kavio::carplay {

class PlaybackMemory {
public:
    static constexpr std::chrono::seconds kSaveEvery{5};

    static PlaybackMemory& shared();
    // Another positions file from now on (tests), the picks and the session beside it;
    // read at once.
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

    TrackChoice trackChoice(const PlaybackItem& item) const { return tracks_->choiceFor(item); }
    // The person's pick, written now.
    void rememberTracks(const PlaybackItem& item, const TrackChoice& choice);

    const std::optional<PlayerSession>& lastSession() const { return session_->session(); }
    // What the player does now (playing, paused by the person, closed by the person),
    // written now; unchanged sessions are not written again.
    void updateSession(const PlayerSession& session);

private:
    explicit PlaybackMemory(const std::filesystem::path& file);
    void saveNow();

    std::unique_ptr<PlaybackPositions> positions_;
    std::unique_ptr<TrackChoices> tracks_;
    std::unique_ptr<LastSession> session_;
    std::chrono::steady_clock::time_point lastSave_ = std::chrono::steady_clock::now();
};

} // namespace kavio::carplay
