#pragma once
// A player's picture with its own controls, as a screen embeds it: the video fitted with
// black bars, and a bar with play/pause, position, elapsed and remaining time (kept over
// the picture, never hanging over the black bars, where it would look cut off) that fades
// out after a few seconds of playing without the pointer moving and comes back on a move
// or a tap. It also keeps the now-playing centre's playback state and seeks in step with
// its player, so the system controls follow the screen's own buttons. Subtitles given as a
// cue timeline are drawn over the picture as the player's time reaches them, above the
// controls while these show.

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "library/subtitles/CueTimeline.h"
#include "platform/media/Player.h"

class QLabel;

namespace kavio::platform {

class PlayerControlsBar;
class PlayerVideoSurface;
class SubtitleOverlay;

enum class NowPlayingUpdates { Off, On };

class PlayerView : public QWidget {
    Q_OBJECT
public:
    explicit PlayerView(QWidget* parent = nullptr);
    ~PlayerView() override;

    // Not owned; the view lets go by itself when the player is destroyed.
    void setPlayer(Player* player);
    Player* player() const { return player_; }

    void setShowsPlaybackControls(bool shows);
    bool showsPlaybackControls() const { return showsControls_; }
    bool controlsVisible() const;

    // How long the controls stay up without input while playing (3 s).
    void setControlsHideDelay(std::chrono::milliseconds delay) { hideTimer_.setInterval(delay); }

    void setUpdatesNowPlayingInfoCenter(NowPlayingUpdates updates) { nowPlayingUpdates_ = updates; }
    // Whom the updates speak for: a screen replaced by a newer one no longer speaks.
    void setNowPlayingPublisher(const void* publisher) { publisher_ = publisher; }

    // Where the video shows: the fitted picture, or the whole view while there is none.
    QRect videoArea() const;

    PlayerVideoSurface* videoSurface() const { return surface_; }
    PlayerControlsBar* controlsBar() const { return controls_; }

    // The cues to draw as the player's time passes; nullptr draws none.
    void setSubtitles(std::shared_ptr<const subtitles::CueTimeline> timeline);
    SubtitleOverlay* subtitleOverlay() const { return subtitles_; }
    // A short line over the top of the picture (the track just chosen), gone after a moment.
    void showNote(const QString& text);
    QString noteText() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setupViews();
    void setupAutoHide();
    void attachPlayer();
    void detachPlayer();
    void watchInput(QWidget* widget);
    void layoutControls();
    void revealControls();
    void hideControlsIfPlaying();
    void playerRateChanged(double rate);
    void togglePlayback();
    void refreshTimes(double seconds);
    void showSubtitlesAt(double seconds);
    void layoutOverlays();

    PlayerVideoSurface* surface_ = nullptr;  // child
    PlayerControlsBar* controls_ = nullptr;  // child
    SubtitleOverlay* subtitles_ = nullptr;   // child, between the two
    QLabel* note_ = nullptr;                 // child
    QPointer<Player> player_;
    TimeObserverToken timeToken_;
    QTimer hideTimer_;
    QTimer noteTimer_;
    // What the subtitles show holds from shownAt_ until nextChange_ (none: to the end).
    std::shared_ptr<const subtitles::CueTimeline> timeline_;
    std::vector<std::size_t> shownCues_;
    subtitles::Milliseconds shownAt_{-1};
    std::optional<subtitles::Milliseconds> nextChange_;
    QTimer cueTimer_; // wakes at nextChange_ while playing
    bool showsControls_ = true;
    NowPlayingUpdates nowPlayingUpdates_ = NowPlayingUpdates::On;
    const void* publisher_ = nullptr;
};

} // namespace kavio::platform
