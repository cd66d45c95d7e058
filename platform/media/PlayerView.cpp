#include "platform/media/PlayerView.h"

#include "platform/media/PlayerControlsBar.h"
#include "platform/media/PlayerVideoSurface.h"
#include "platform/media/SubtitleOverlay.h"
#include "platform/nowplaying/NowPlayingInfoCenter.h"
#include "platform/views/Colors.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>

#include <algorithm>
#include <cmath>

namespace kavio::platform {

namespace {
constexpr double kTimeRefreshSeconds = 0.25;
constexpr int kControlsMargin = 12;
constexpr std::chrono::milliseconds kControlsHideDelay{3000};
constexpr std::chrono::milliseconds kNoteShown{2000};
constexpr int kControlsGap = 8; // between subtitles and the controls
constexpr int kNotePadding = 10;
// A timer can fire a little before the backend's clock reaches the change: look again soon.
constexpr int kMinimumCueWaitMs = 10;
} // namespace

PlayerView::PlayerView(QWidget* parent)
    : QWidget(parent)
{
    setupViews();
    setupAutoHide();
}

PlayerView::~PlayerView()
{
    detachPlayer();
}

void PlayerView::setupViews()
{
    setMouseTracking(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);

    surface_ = new PlayerVideoSurface(this);
    connect(surface_, &PlayerVideoSurface::frameSizeChanged, this, &PlayerView::layoutControls);
    subtitles_ = new SubtitleOverlay(this);
    note_ = new QLabel(this);
    note_->setAttribute(Qt::WA_TransparentForMouseEvents);
    note_->setAlignment(Qt::AlignCenter);
    note_->setStyleSheet(QStringLiteral("QLabel { color: white; background: rgba(%1, %2, %3, %4); border-radius: 8px; "
                                        "padding: %5px; font-size: 17px; }")
                             .arg(colors::noteBackground.red())
                             .arg(colors::noteBackground.green())
                             .arg(colors::noteBackground.blue())
                             .arg(colors::noteBackground.alpha())
                             .arg(kNotePadding));
    note_->hide();
    noteTimer_.setSingleShot(true);
    noteTimer_.setInterval(kNoteShown);
    connect(&noteTimer_, &QTimer::timeout, note_, &QWidget::hide);
    cueTimer_.setSingleShot(true);
    connect(&cueTimer_, &QTimer::timeout, this, [this] {
        if (player_)
            showSubtitlesAt(player_->currentTime());
    });
    controls_ = new PlayerControlsBar(this);
    controls_->raise();
    connect(controls_, &PlayerControlsBar::playPauseClicked, this, &PlayerView::togglePlayback);
    connect(controls_, &PlayerControlsBar::seekRequested, this, [this](double seconds) {
        if (player_)
            player_->seek(seconds);
        revealControls();
    });

    watchInput(this);
    watchInput(surface_);
    watchInput(controls_);
    for (QWidget* child : controls_->findChildren<QWidget*>())
        watchInput(child);
}

void PlayerView::setupAutoHide()
{
    hideTimer_.setSingleShot(true);
    hideTimer_.setInterval(kControlsHideDelay);
    connect(&hideTimer_, &QTimer::timeout, this, &PlayerView::hideControlsIfPlaying);
}

void PlayerView::watchInput(QWidget* widget)
{
    widget->setMouseTracking(true);
    widget->installEventFilter(this);
}

void PlayerView::setPlayer(Player* player)
{
    if (player == player_)
        return;
    detachPlayer();
    player_ = player;
    attachPlayer();
}

void PlayerView::attachPlayer()
{
    if (!player_) {
        controls_->setPlaying(false);
        controls_->setTimes(0.0, std::nullopt);
        return;
    }
    player_->setVideoSink(surface_->videoSink());
    connect(player_, &Player::rateChanged, this, &PlayerView::playerRateChanged);
    connect(player_, &Player::durationChanged, this, [this] { refreshTimes(player_->currentTime()); });
    // A file that cannot be read (a USB stick pulled out) leaves no stale picture behind.
    connect(player_, &Player::failed, surface_, &PlayerVideoSurface::clear);
    connect(player_, &Player::seeked, this, [this](double seconds) {
        if (nowPlayingUpdates_ == NowPlayingUpdates::On)
            NowPlayingInfoCenter::shared().notifySeeked(seconds, publisher_);
    });
    connect(player_, &QObject::destroyed, this, [this] {
        // The player went first; its observers and sink link went with it.
        timeToken_ = {};
        hideTimer_.stop();
        if (nowPlayingUpdates_ == NowPlayingUpdates::On)
            NowPlayingInfoCenter::shared().setPlaybackState(PlaybackState::Stopped, publisher_);
        attachPlayer();
    });
    timeToken_ = player_->addPeriodicTimeObserver(kTimeRefreshSeconds, this,
                                                  [this](double seconds) { refreshTimes(seconds); });
    playerRateChanged(player_->rate());
    refreshTimes(player_->currentTime());
}

void PlayerView::detachPlayer()
{
    hideTimer_.stop();
    cueTimer_.stop();
    if (player_) {
        player_->removeTimeObserver(timeToken_);
        player_->setVideoSink(nullptr);
        player_->disconnect(this);
        if (nowPlayingUpdates_ == NowPlayingUpdates::On)
            NowPlayingInfoCenter::shared().setPlaybackState(PlaybackState::Stopped, publisher_);
    }
    timeToken_ = {};
}

void PlayerView::playerRateChanged(double rate)
{
    const bool playing = rate != 0.0;
    controls_->setPlaying(playing);
    if (nowPlayingUpdates_ == NowPlayingUpdates::On)
        NowPlayingInfoCenter::shared().setPlaybackState(playing ? PlaybackState::Playing : PlaybackState::Paused, publisher_);
    if (playing) {
        hideTimer_.start();
    } else {
        hideTimer_.stop();
        revealControls();
    }
}

void PlayerView::refreshTimes(double seconds)
{
    controls_->setTimes(seconds, player_ ? player_->duration() : std::nullopt);
    showSubtitlesAt(seconds);
}

void PlayerView::setSubtitles(std::shared_ptr<const subtitles::CueTimeline> timeline)
{
    timeline_ = std::move(timeline);
    shownCues_.clear();
    shownAt_ = subtitles::Milliseconds(-1);
    nextChange_.reset();
    cueTimer_.stop();
    subtitles_->setLines({});
    if (player_)
        showSubtitlesAt(player_->currentTime());
}

void PlayerView::showSubtitlesAt(double seconds)
{
    if (!timeline_)
        return;
    const subtitles::Milliseconds now(std::llround(std::max(0.0, seconds) * 1000.0));
    // Nothing changes before the next cue starts or ends; a jump back looks again.
    const bool same = now >= shownAt_ && shownAt_.count() >= 0 && (!nextChange_ || now < *nextChange_);
    if (!same) {
        std::vector<std::size_t> active = timeline_->activeAt(now);
        shownAt_ = now;
        nextChange_ = timeline_->nextChange(now);
        if (active != shownCues_) {
            shownCues_ = std::move(active);
            // Overlapping cues stack up: the earliest lowest.
            std::vector<subtitles::CueLine> lines;
            for (auto it = shownCues_.rbegin(); it != shownCues_.rend(); ++it) {
                const subtitles::Cue& cue = timeline_->cues()[*it];
                lines.insert(lines.end(), cue.lines.begin(), cue.lines.end());
            }
            subtitles_->setLines(std::move(lines));
        }
    }
    cueTimer_.stop();
    const double rate = player_ ? player_->rate() : 0.0;
    if (nextChange_ && rate > 0.0) {
        const double wait = static_cast<double>((*nextChange_ - now).count()) / rate;
        cueTimer_.start(std::max(kMinimumCueWaitMs, static_cast<int>(std::ceil(wait))));
    }
}

void PlayerView::showNote(const QString& text)
{
    note_->setText(text);
    note_->adjustSize();
    layoutOverlays();
    note_->show();
    note_->raise();
    noteTimer_.start();
}

QString PlayerView::noteText() const
{
    return note_->isVisible() ? note_->text() : QString();
}

void PlayerView::togglePlayback()
{
    if (!player_)
        return;
    if (player_->rate() == 0.0)
        player_->play();
    else
        player_->pause();
    revealControls();
}

void PlayerView::setShowsPlaybackControls(bool shows)
{
    showsControls_ = shows;
    controls_->setVisible(shows);
    layoutOverlays();
    if (shows)
        revealControls();
    else
        hideTimer_.stop();
}

bool PlayerView::controlsVisible() const
{
    return !controls_->isHidden();
}

void PlayerView::revealControls()
{
    if (!showsControls_)
        return;
    if (controls_->isHidden()) {
        controls_->show();
        layoutOverlays();
    }
    if (player_ && player_->rate() != 0.0)
        hideTimer_.start();
}

void PlayerView::hideControlsIfPlaying()
{
    if (!player_ || player_->rate() == 0.0)
        return;
    // Scrubbing, or choosing in a track menu: the bar stays while it is in use.
    if (controls_->isScrubbing() || QApplication::activePopupWidget()) {
        hideTimer_.start();
        return;
    }
    controls_->hide();
    layoutOverlays();
}

bool PlayerView::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::TouchBegin:
        revealControls();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void PlayerView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutControls();
}

QRect PlayerView::videoArea() const
{
    const QRect picture = surface_->pictureRect();
    return picture.isEmpty() ? rect() : picture.translated(surface_->pos());
}

void PlayerView::layoutControls()
{
    surface_->setGeometry(rect());
    // Inside the picture, inset from its edges; never narrower than the bar needs (a
    // portrait video), and never outside the view.
    const QMargins inset(kControlsMargin, kControlsMargin, kControlsMargin, kControlsMargin);
    const QRect area = videoArea().marginsRemoved(inset);
    const QRect room = rect().marginsRemoved(inset);
    const int height = controls_->sizeHint().height();
    const int width = std::min(std::max(area.width(), controls_->minimumSizeHint().width()), std::max(0, room.width()));
    const int left = std::clamp(area.center().x() - width / 2, room.left(), std::max(room.left(), room.right() + 1 - width));
    const int top = std::max(0, area.bottom() + 1 - height);
    controls_->setGeometry(left, top, width, height);
    layoutOverlays();
}

void PlayerView::layoutOverlays()
{
    const QRect picture = videoArea();
    const int bottom = controls_->isHidden() ? picture.bottom() + 1 : controls_->geometry().top() - kControlsGap;
    subtitles_->setPlacement(picture, bottom);
    if (!note_->text().isEmpty()) {
        const QSize size = note_->sizeHint().boundedTo(picture.size());
        note_->setGeometry(picture.center().x() - size.width() / 2, picture.top() + kControlsMargin, size.width(),
                           size.height());
    }
}

} // namespace kavio::platform
