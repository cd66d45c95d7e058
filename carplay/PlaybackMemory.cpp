#include "carplay/PlaybackMemory.h"

namespace kavio::carplay {

namespace {

std::unique_ptr<PlaybackMemory>& instance()
{
    static std::unique_ptr<PlaybackMemory> memory;
    return memory;
}

} // namespace

PlaybackMemory::PlaybackMemory(const std::filesystem::path& file) : positions_(std::make_unique<PlaybackPositions>(file)) {}

PlaybackMemory& PlaybackMemory::shared()
{
    if (!instance())
        instance().reset(new PlaybackMemory(PlaybackPositions::defaultFile()));
    return *instance();
}

void PlaybackMemory::useFile(const std::filesystem::path& file)
{
    waitForBackgroundSaves();
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

} // namespace kavio::carplay
