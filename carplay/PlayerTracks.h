#pragma once
// The player's sound and subtitle tracks, wired: what the file and the player offer,
// looked up off the main thread when an entry begins; the track chosen by TrackSelection
// made active; the subtitles read (off the main thread) and handed to the view; the control
// bar's "Audio" and "Subtitles" menus and the A and S keys; the person's picks remembered
// per video.

#include "carplay/TrackSelection.h"
#include "library/PlaybackPositions.h"
#include "platform/media/PlayerControlsBar.h"

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <filesystem>

namespace kavio::platform {
class Player;
class PlayerView;
} // namespace kavio::platform

namespace kavio::carplay {

class PlayerTracks : public QObject {
    Q_OBJECT
public:
    PlayerTracks(platform::Player* player, platform::PlayerView* view);

    // An entry begins: its identity, and its file (empty for a stream).
    void begin(const PlaybackItem& item, const std::filesystem::path& file);
    // It is left: its subtitles go.
    void end();

    // The keys: the next sound track, the next subtitles (off, each, off).
    void cycleAudio();
    void cycleSubtitles();
    // A row of the control bar's menus.
    void chooseRow(platform::TrackKind kind, int row);

    const TrackSelection& selection() const { return selection_; }

private:
    struct FileTracks;
    void lookAtFile(const std::filesystem::path& file);
    void playerTracksChanged();
    void refresh();
    void apply();
    void showSubtitles(const MediaTrack* track);
    void picked(const TrackChoice& choice, platform::TrackKind kind, bool announce);

    QPointer<platform::Player> player_;
    QPointer<platform::PlayerView> view_;
    TrackSelection selection_;
    PlaybackItem item_;
    std::filesystem::path file_;
    std::uint64_t entry_ = 0;     // bumps per entry: a late look at an earlier file is dropped
    std::uint64_t subtitles_ = 0; // bumps per subtitle change: a late read is dropped
    std::optional<std::string> shownSubtitles_; // what the view was given or is being read
};

} // namespace kavio::carplay
