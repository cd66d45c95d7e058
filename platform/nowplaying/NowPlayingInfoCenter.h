#pragma once
// What plays now, for the system's media controls: the app replaces the whole record
// (twice a second while a video plays); MPRIS reads it from here.

#include <QByteArray>
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
    // The artwork already encoded as PNG, made off the main thread by whoever publishes:
    // the MPRIS export writes it as it is.
    std::optional<QByteArray> artworkPng;
};

class NowPlayingInfoCenter : public QObject {
    Q_OBJECT
public:
    static NowPlayingInfoCenter& shared();

    NowPlayingInfoCenter() = default;
    NowPlayingInfoCenter(const NowPlayingInfoCenter&) = delete;
    NowPlayingInfoCenter& operator=(const NowPlayingInfoCenter&) = delete;

    // Who publishes: the screen that claimed the center last. A screen that goes away
    // after a newer one claimed it can no longer clear or overwrite what the newer one
    // published. A null publisher speaks for whoever holds the center.
    void claim(const void* publisher) { publisher_ = publisher; }
    // Clears info and state, if publisher still holds the center.
    void release(const void* publisher);
    bool isCurrentPublisher(const void* publisher) const { return publisher == nullptr || publisher == publisher_; }

    // nullopt clears: nothing is playing.
    void setNowPlayingInfo(std::optional<NowPlayingInfo> info, const void* publisher = nullptr);
    const std::optional<NowPlayingInfo>& nowPlayingInfo() const { return info_; }

    void setPlaybackState(PlaybackState state, const void* publisher = nullptr);
    PlaybackState playbackState() const { return state_; }

    // A jump in the playing item's time (the slider, a key, the desktop's controls).
    void notifySeeked(double seconds, const void* publisher = nullptr)
    {
        if (isCurrentPublisher(publisher))
            Q_EMIT seeked(seconds);
    }

Q_SIGNALS:
    void nowPlayingInfoChanged();
    void playbackStateChanged(kavio::platform::PlaybackState state);
    void seeked(double seconds);

private:
    std::optional<NowPlayingInfo> info_;
    PlaybackState state_ = PlaybackState::Unknown;
    const void* publisher_ = nullptr; // compared, never dereferenced
};

} // namespace kavio::platform
