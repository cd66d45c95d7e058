#pragma once
// The player on Qt Multimedia. GStreamer is the backend: on Debian 12's Qt 6.4 the FFmpeg
// backend crashes when no audio device exists and never reports a missing file as
// invalid, while GStreamer plays mp4/mov (H.264/AAC), progressive http and HLS, and
// reaches the end of media without a sound card.

#include "platform/media/Player.h"

#include <QMediaPlayer>

class QAudioOutput;

namespace kavio::platform {

// Chooses the GStreamer backend unless QT_MEDIA_BACKEND already names one. Must run
// before the first Qt Multimedia object exists; QtPlayer and PlayerView call it.
void prepareMediaBackend();

class QtPlayer : public Player {
    Q_OBJECT
public:
    QtPlayer();
    ~QtPlayer() override;

    double currentTime() const override;
    std::optional<double> duration() const override;
    void setVideoSink(QVideoSink* sink) override;
    std::vector<MediaTrack> audioTracks() const override;
    int activeAudioTrack() const override;
    void setActiveAudioTrack(int index) override;

protected:
    void loadItem(const PlayerItem* item) override;
    void startPlayback() override;
    void pausePlayback() override;
    void seekPlayback(double seconds) override;

private:
    void setupSignals();
    void handleMediaStatus(QMediaPlayer::MediaStatus mediaStatus);
    void handlePlaybackState(QMediaPlayer::PlaybackState state);
    void handleError(QMediaPlayer::Error error, const QString& message);
    void applyPendingSeek();

    QMediaPlayer* media_ = nullptr;  // child
    QAudioOutput* audio_ = nullptr;  // child
    QVideoSink* sink_ = nullptr;     // not owned
    bool itemLoaded_ = false;        // the current item has loaded since it was set
    std::uint64_t generation_ = 0;   // bumps per item, so a late end never hits the next one
    std::optional<qint64> pendingSeekMs_; // a seek waiting for the media to become seekable
};

} // namespace kavio::platform
