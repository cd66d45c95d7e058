#pragma once
// A scripted player for tests: records what it was asked to do, and lets the test move
// time, end the item or fail it.

#include "platform/media/Player.h"

#include <QStringList>

namespace kavio::platform {

class FakePlayer : public Player {
    Q_OBJECT
public:
    FakePlayer() = default;

    // "replace <url>" ("replace none" for nullptr), "play", "pause", "seek <seconds>",
    // "audio <index>".
    const QStringList& calls() const { return calls_; }
    void clearCalls() { calls_.clear(); }

    double currentTime() const override { return time_; }
    std::optional<double> duration() const override { return duration_; }
    void setVideoSink(QVideoSink* sink) override { sink_ = sink; }
    QVideoSink* videoSink() const { return sink_; }
    std::vector<MediaTrack> audioTracks() const override { return audio_; }
    int activeAudioTrack() const override { return activeAudio_; }
    void setActiveAudioTrack(int index) override;

    // Script the backend.
    void setRate(double rate) { reportRate(rate); }
    void setCurrentTime(double seconds) { time_ = seconds; }
    void setDuration(std::optional<double> seconds);
    void setReadyOnLoad(bool ready) { readyOnLoad_ = ready; } // default: ready at once
    void becomeReady() { reportStatus(PlayerStatus::ReadyToPlay); }
    // Moves time forward as playback would, firing observers whose period was crossed.
    void advanceTime(double seconds);
    // The current item played to its end: rate 0 and the played-to-end notification.
    void finishCurrentItem();
    void failCurrentItem(const QString& message);
    // The backend lists the item's sound tracks, the first one active (tracksChanged).
    void listAudioTracks(std::vector<MediaTrack> tracks);

protected:
    void loadItem(const PlayerItem* item) override;
    void startPlayback() override;
    void pausePlayback() override;
    void seekPlayback(double seconds) override;

private:
    QStringList calls_;
    double time_ = 0.0;
    std::optional<double> duration_;
    bool readyOnLoad_ = true;
    QVideoSink* sink_ = nullptr;
    std::vector<MediaTrack> audio_;
    int activeAudio_ = -1;
};

// Installs itself as the player factory for its lifetime and remembers what it made.
class FakePlayerFactory {
public:
    FakePlayerFactory();
    FakePlayerFactory(const FakePlayerFactory&) = delete;
    FakePlayerFactory& operator=(const FakePlayerFactory&) = delete;

    // The most recent player made, nullptr if none or already destroyed.
    FakePlayer* last() const { return players_.empty() ? nullptr : players_.back().data(); }
    std::size_t madeCount() const { return players_.size(); }

private:
    std::vector<QPointer<FakePlayer>> players_;
    ScopedPlayerFactory scope_;
};

} // namespace kavio::platform
