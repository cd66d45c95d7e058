#pragma once
// What plays now, for the system's media controls: the app replaces the whole record
// (twice a second while a video plays); MPRIS reads it from here.

#include <QImage>
#include <QObject>
#include <QString>

#include <optional>

namespace kavio::platform {

enum class PlaybackState { Unknown, Playing, Paused, Stopped };

struct NowPlayingInfo {
    QString trackId; // identity of the queue entry; a new value means a new track
    std::optional<QString> title;
    std::optional<QString> artist;
    std::optional<double> elapsedPlaybackTime; // seconds
    std::optional<double> playbackDuration;    // seconds
    std::optional<QImage> artwork;
};

class NowPlayingInfoCenter : public QObject {
    Q_OBJECT
public:
    static NowPlayingInfoCenter& shared();

    NowPlayingInfoCenter() = default;
    NowPlayingInfoCenter(const NowPlayingInfoCenter&) = delete;
    NowPlayingInfoCenter& operator=(const NowPlayingInfoCenter&) = delete;

    // nullopt clears: nothing is playing.
    void setNowPlayingInfo(std::optional<NowPlayingInfo> info);
    const std::optional<NowPlayingInfo>& nowPlayingInfo() const { return info_; }

    void setPlaybackState(PlaybackState state);
    PlaybackState playbackState() const { return state_; }

    // A jump in the playing item's time (the user dragged the position slider).
    void notifySeeked(double seconds) { Q_EMIT seeked(seconds); }

Q_SIGNALS:
    void nowPlayingInfoChanged();
    void playbackStateChanged(kavio::platform::PlaybackState state);
    void seeked(double seconds);

private:
    std::optional<NowPlayingInfo> info_;
    PlaybackState state_ = PlaybackState::Unknown;
};

} // namespace kavio::platform
