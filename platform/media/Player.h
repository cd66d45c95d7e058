#pragma once
// The player that screens use: one current item, play/pause, time observers and the
// played-to-end notification. Implementations: QtPlayer (Qt Multimedia) and FakePlayer
// (scripted, for tests); makePlayer() hands out whichever the process-wide factory makes.

#include "library/MediaTracks.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QVideoSink;

namespace kavio::platform {

// What a player plays. An identity object: played-to-end names the item, so a queue that
// plays the same URL again makes a new item and never mistakes the old one's end for it.
class PlayerItem {
public:
    explicit PlayerItem(QUrl url) : url_(std::move(url)) {}
    static std::shared_ptr<PlayerItem> create(QUrl url) { return std::make_shared<PlayerItem>(std::move(url)); }

    PlayerItem(const PlayerItem&) = delete;
    PlayerItem& operator=(const PlayerItem&) = delete;

    const QUrl& url() const { return url_; }

private:
    QUrl url_;
};

enum class PlayerStatus {
    Idle,        // no current item
    Loading,     // item set, not ready yet (opening a file, buffering a stream)
    ReadyToPlay, // the item can play
    Failed,      // missing file, unreachable URL, undecodable media: see errorString()
};

struct TimeObserverToken {
    std::uint64_t id = 0;
    bool isValid() const { return id != 0; }
};

class Player : public QObject {
    Q_OBJECT
public:
    using TimeObserver = std::function<void(double seconds)>;

    ~Player() override;
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Replaces what plays; time goes to 0 and the rate to 0 until play(). nullptr clears.
    void replaceCurrentItem(std::shared_ptr<PlayerItem> item);
    const std::shared_ptr<PlayerItem>& currentItem() const { return item_; }

    // play() also activates the shared AudioSession, as the phone platform does.
    void play();
    void pause();
    void seek(double seconds);

    // 0 when paused, stopped or failed; 1 while playing.
    double rate() const { return rate_; }
    virtual double currentTime() const = 0;
    virtual std::optional<double> duration() const = 0; // unknown for live streams

    PlayerStatus status() const { return status_; }
    QString errorString() const { return errorString_; }

    // Calls observer on the main thread each time playback crosses a multiple of interval,
    // and at once whenever time jumps: item change, seek, play and pause. Never after
    // removeTimeObserver() or after owner is destroyed.
    TimeObserverToken addPeriodicTimeObserver(double intervalSeconds, QObject* owner, TimeObserver observer);
    void removeTimeObserver(TimeObserverToken token);
    std::size_t timeObserverCount() const;

    // Where decoded frames go; nullptr detaches. The sink must outlive its attachment.
    virtual void setVideoSink(QVideoSink* sink) = 0;

    // The current item's sound tracks as the backend lists them (stream: its index), with
    // the language and title where the backend knows them; tracksChanged() tells when the
    // list is known or changes. The active one is -1 until then.
    virtual std::vector<MediaTrack> audioTracks() const = 0;
    virtual int activeAudioTrack() const = 0;
    virtual void setActiveAudioTrack(int index) = 0;

Q_SIGNALS:
    void currentItemChanged();
    void rateChanged(double rate);
    void statusChanged(kavio::platform::PlayerStatus status);
    void durationChanged();
    void seeked(double seconds);
    void failed(const QString& message);
    void tracksChanged();
    // pause() was called: someone asked it to stop, unlike an end, a failure or a new item.
    void pauseRequested();

protected:
    Player() = default;

    // The backend's half: load (nullptr = unload), start, stop, move.
    virtual void loadItem(const PlayerItem* item) = 0;
    virtual void startPlayback() = 0;
    virtual void pausePlayback() = 0;
    virtual void seekPlayback(double seconds) = 0;

    // What the backend reports back.
    void reportRate(double rate);
    void reportStatus(PlayerStatus status, const QString& error = {});
    void reportTime(double seconds);     // time advanced normally
    void reportTimeJump(double seconds); // time jumped: every observer fires now
    void reportPlayedToEnd();

private:
    struct TimeObserverEntry {
        std::uint64_t id;
        double interval;
        QPointer<QObject> owner;
        TimeObserver observer;
        std::int64_t lastPeriod;
    };
    void fireTimeObservers(double seconds, bool jumped);

    std::shared_ptr<PlayerItem> item_;
    double rate_ = 0.0;
    PlayerStatus status_ = PlayerStatus::Idle;
    QString errorString_;
    std::vector<TimeObserverEntry> timeObservers_;
    std::uint64_t nextObserverId_ = 1;
};

// The seam between screens and the media stack. The default factory makes a QtPlayer;
// tests install one that makes fakes. An empty factory restores the default.
using PlayerFactory = std::function<std::unique_ptr<Player>()>;
void setPlayerFactory(PlayerFactory factory);
PlayerFactory playerFactory(); // empty while the default is in use
std::unique_ptr<Player> makePlayer();

// Installs a factory for one scope (a test) and puts the previous one back.
class ScopedPlayerFactory {
public:
    explicit ScopedPlayerFactory(PlayerFactory factory);
    ~ScopedPlayerFactory();
    ScopedPlayerFactory(const ScopedPlayerFactory&) = delete;
    ScopedPlayerFactory& operator=(const ScopedPlayerFactory&) = delete;

private:
    PlayerFactory previous_;
};

} // namespace kavio::platform
