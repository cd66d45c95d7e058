#include "carplay/PlaybackMemory.h"

#include "library/StateFiles.h"

namespace kavio::carplay {

namespace {

std::unique_ptr<PlaybackMemory>& instance()
{
    static std::unique_ptr<PlaybackMemory> memory;
    return memory;
}

} // namespace

PlaybackMemory::PlaybackMemory(const std::filesystem::path& file)
    : positions_(std::make_unique<PlaybackPositions>(file)),
      tracks_(std::make_unique<TrackChoices>(file.parent_path() / TrackChoices::defaultFile().filename())),
      session_(std::make_unique<LastSession>(file.parent_path() / LastSession::defaultFile().filename()))
{
}

PlaybackMemory& PlaybackMemory::shared()
{
    if (!instance())
        instance().reset(new PlaybackMemory(PlaybackPositions::defaultFile()));
    return *instance();
}

void PlaybackMemory::useFile(const std::filesystem::path& file)
{
    waitForBackgroundSaves();
    waitForStateWrites();
    instance().reset(new PlaybackMemory(file));
}

void PlaybackMemory::playing(const PlaybackItem& item, double seconds, std::optional<double> duration)
{
    positions_->record(item, seconds, duration);
    if (positions_->isDirty() && std::chrono::steady_clock::now() - lastSave_ >= kSaveEvery)
        saveNow();
}

void PlaybackMemory::stopped(const PlaybackItem& item, double seconds, std::optional<double> duration)
{
    positions_->record(item, seconds, duration);
    if (positions_->isDirty())
        saveNow();
}

void PlaybackMemory::ended(const PlaybackItem& item)
{
    positions_->playedToEnd(item);
    if (positions_->isDirty())
        saveNow();
}

void PlaybackMemory::saveNow()
{
    lastSave_ = std::chrono::steady_clock::now();
    // Serialising and syncing happen off the main thread: playback never waits for the disk.
    saveInBackground(positions_->file(), positions_->snapshot());
}

void PlaybackMemory::rememberTracks(const PlaybackItem& item, const TrackChoice& choice)
{
    tracks_->remember(item, choice);
    if (tracks_->isDirty())
        tracks_->saveInBackground();
}

void PlaybackMemory::updateSession(const PlayerSession& session)
{
    session_->update(session);
    if (session_->isDirty())
        session_->saveInBackground();
}

} // namespace kavio::carplay
