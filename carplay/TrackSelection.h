#pragma once
// Which sound and subtitles the entry now playing uses. What is known arrives in pieces and
// late: the player lists the sound tracks once the file is open (without their languages
// on Qt 6.4, which the file's own headers then give), the subtitle files beside the video
// and the text tracks inside it come from a look at the disk. Each piece decides again by
// the rules in MediaTracks (the remembered pick, else the defaults), except for what the
// person picked while it plays: that stays.

#include "library/MediaTracks.h"

#include <QStringList>

#include <optional>
#include <vector>

namespace kavio::carplay {

class TrackSelection {
public:
    // A new entry: nothing known, nothing picked.
    void reset();
    // The player's sound tracks (stream: its index) and the one it plays (-1: none yet).
    void setPlayerAudio(std::vector<MediaTrack> audio, int active);
    // What the file says: its sound tracks in order (to name the player's), its text
    // tracks, and the subtitle files beside it.
    void setFileTracks(std::vector<MediaTrack> fileAudio, std::vector<MediaTrack> embedded,
                       std::vector<MediaTrack> files);
    // Decides what the person has not picked while it plays.
    void decide(const Language& person, const TrackChoice& remembered);

    // Named as well as known: the player's tracks with the file's names.
    const std::vector<MediaTrack>& audio() const { return audio_; }
    // Subtitle files first, then the tracks inside the video.
    const std::vector<MediaTrack>& subtitles() const { return subtitles_; }
    // The sound track to make active, as the player numbers it; none leaves its default.
    std::optional<int> audioStream() const;
    // The subtitles to show; null for none.
    const MediaTrack* subtitleTrack() const;

    // The person's picks. Each returns the whole pick to remember for the video, the other
    // kind kept as remembered.
    TrackChoice pickAudio(std::size_t index, const TrackChoice& remembered);
    TrackChoice pickSubtitles(std::optional<std::size_t> index, const TrackChoice& remembered);
    // The A key: the next sound track (none with fewer than two). The S key: subtitles
    // off, then each in turn (none without any).
    std::optional<TrackChoice> cycleAudio(const TrackChoice& remembered);
    std::optional<TrackChoice> cycleSubtitles(const TrackChoice& remembered);

    // The control bar's rows: sound tracks when there are two or more; "Off" and the
    // subtitles when there are any. The row ticked, -1 for none.
    QStringList audioRows() const;
    int audioRow() const;
    QStringList subtitleRows() const;
    int subtitleRow() const;

private:
    void merge();
    std::optional<std::size_t> playingAudio() const;

    std::vector<MediaTrack> playerAudio_;
    int playerActive_ = -1;
    std::vector<MediaTrack> fileAudio_;
    std::vector<MediaTrack> embedded_;
    std::vector<MediaTrack> files_;
    std::vector<MediaTrack> audio_;
    std::vector<MediaTrack> subtitles_;
    std::optional<std::size_t> audioIndex_;
    std::optional<std::size_t> subtitleIndex_;
    bool audioPicked_ = false;
    bool subtitlesPicked_ = false;
};

} // namespace kavio::carplay
