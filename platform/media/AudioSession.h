#pragma once
// The process's audio session: a category and an active flag. A player's play() activates
// it, as on the phone. While it is active and some player plays, the screen saver is held
// off; it is let go when playback stops, the session deactivates or the player goes away.

#include <QObject>

#include <memory>
#include <set>

namespace kavio::platform {

class Player;
class ScreenSaverInhibitor;

enum class AudioSessionCategory { Ambient, SoloAmbient, Playback, Record, PlayAndRecord };

class AudioSession : public QObject {
    Q_OBJECT
public:
    static AudioSession& shared();

    AudioSession();
    ~AudioSession() override;
    AudioSession(const AudioSession&) = delete;
    AudioSession& operator=(const AudioSession&) = delete;

    void setCategory(AudioSessionCategory category) { category_ = category; }
    AudioSessionCategory category() const { return category_; }

    void setActive(bool active);
    bool isActive() const { return active_; }

    // The D-Bus inhibitor is made on first need; tests install a recording one.
    void setScreenSaverInhibitor(std::unique_ptr<ScreenSaverInhibitor> inhibitor);
    bool isInhibitingScreenSaver() const { return inhibiting_; }
    std::size_t playingPlayerCount() const { return playing_.size(); }

Q_SIGNALS:
    void activeChanged(bool active);

private:
    friend class Player;
    void playerWillPlay(const Player* player);
    void playerRateChanged(const Player* player, double rate);
    void playerDidStop(const Player* player);
    void updateInhibition();
    ScreenSaverInhibitor& inhibitor();

    AudioSessionCategory category_ = AudioSessionCategory::SoloAmbient;
    bool active_ = false;
    bool inhibiting_ = false;
    std::set<const Player*> playing_; // identities only, never dereferenced
    std::unique_ptr<ScreenSaverInhibitor> inhibitor_;
};

} // namespace kavio::platform
