#pragma once
// The player's own transport: play/pause, a position slider, elapsed and remaining time,
// and the sound and subtitle choices when a video offers any.

#include <QWidget>

#include <optional>

class QLabel;
class QSlider;
class QToolButton;

namespace kavio::platform {

class TrackButton;

enum class TrackKind { Audio, Subtitles };

// "0:05", "12:34", "1:02:03"; negative or unknown times read as 0.
QString formatPlaybackTime(double seconds);
// "-1:23" left of duration; "--:--" while the length is unknown (live streams).
QString formatRemainingTime(double current, std::optional<double> duration);

class PlayerControlsBar : public QWidget {
    Q_OBJECT
public:
    // The button and the slider are at least this tall (and the button this wide): a
    // finger's tap target on a car's touchscreen, whatever is drawn inside.
    static constexpr int kTapTarget = 40;

    explicit PlayerControlsBar(QWidget* parent = nullptr);

    void setPlaying(bool playing);
    bool showsPauseButton() const { return playing_; }
    void setTimes(double current, std::optional<double> duration);
    // The user holds the slider: the bar ignores time updates until it is let go.
    bool isScrubbing() const;

    QString elapsedText() const;
    QString remainingText() const;

    // The rows a track button offers ("Off" among them for subtitles) and the one ticked;
    // no rows hides the button.
    void setTrackRows(TrackKind kind, const QStringList& rows, int current);
    TrackButton* trackButton(TrackKind kind) const;

Q_SIGNALS:
    void playPauseClicked();
    void seekRequested(double seconds);
    void trackChosen(kavio::platform::TrackKind kind, int row);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setupWidgets();
    void setupSignals();
    void updateButtonIcon();

    QToolButton* playPause_ = nullptr;
    QSlider* slider_ = nullptr;
    QLabel* elapsed_ = nullptr;
    QLabel* remaining_ = nullptr;
    TrackButton* audio_ = nullptr;
    TrackButton* subtitles_ = nullptr;
    bool playing_ = false;
};

} // namespace kavio::platform
