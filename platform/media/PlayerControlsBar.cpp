#include "platform/media/PlayerControlsBar.h"

#include "platform/media/TrackButton.h"
#include "platform/views/Colors.h"
#include "platform/views/Symbols.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QSlider>
#include <QToolButton>

#include <cmath>

namespace kavio::platform {

namespace {

constexpr int kIconPoints = 22;

enum class Transport { Play, Pause };

// The symbol set's glyph when it is there; a plain painted shape otherwise.
QIcon transportIcon(Transport transport)
{
    const bool pause = transport == Transport::Pause;
    const QString name = pause ? QStringLiteral("pause.fill") : QStringLiteral("play.fill");
    if (hasSymbol(name))
        return symbolIcon(name, Qt::white);
    QPixmap pixmap(kIconPoints, kIconPoints);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    if (pause) {
        p.drawRoundedRect(QRectF(4, 3, 5, 16), 1.5, 1.5);
        p.drawRoundedRect(QRectF(13, 3, 5, 16), 1.5, 1.5);
    } else {
        QPainterPath triangle;
        triangle.moveTo(5, 3);
        triangle.lineTo(19, 11);
        triangle.lineTo(5, 19);
        triangle.closeSubpath();
        p.drawPath(triangle);
    }
    return QIcon(pixmap);
}

} // namespace

QString formatPlaybackTime(double seconds)
{
    const auto total = (std::isfinite(seconds) && seconds > 0.0) ? static_cast<long long>(seconds) : 0LL;
    const long long h = total / 3600;
    const long long m = (total / 60) % 60;
    const long long s = total % 60;
    if (h > 0)
        return QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, QLatin1Char('0')).arg(s, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
}

QString formatRemainingTime(double current, std::optional<double> duration)
{
    if (!duration)
        return QStringLiteral("--:--");
    // Round the remainder up so elapsed + remaining always add up to the length shown.
    const double left = std::ceil(std::max(0.0, *duration - std::max(0.0, current)));
    return QLatin1Char('-') + formatPlaybackTime(left);
}

PlayerControlsBar::PlayerControlsBar(QWidget* parent)
    : QWidget(parent)
{
    setupWidgets();
    setupSignals();
    setTimes(0.0, std::nullopt);
}

void PlayerControlsBar::setupWidgets()
{
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
    playPause_ = new QToolButton(this);
    playPause_->setAutoRaise(true);
    playPause_->setIconSize(QSize(kIconPoints, kIconPoints));
    playPause_->setFocusPolicy(Qt::NoFocus);
    playPause_->setMinimumSize(kTapTarget, kTapTarget);
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setFocusPolicy(Qt::NoFocus);
    slider_->setMinimumHeight(kTapTarget);
    elapsed_ = new QLabel(this);
    remaining_ = new QLabel(this);
    for (QLabel* label : {elapsed_, remaining_}) {
        label->setStyleSheet(QStringLiteral("color: white;"));
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("-00:00:00")));
    }
    elapsed_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    remaining_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    audio_ = new TrackButton(QStringLiteral("speaker.wave.2"), tr("Audio"), this);
    subtitles_ = new TrackButton(QStringLiteral("captions.bubble"), tr("Subtitles"), this);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 2, 12, 2);
    layout->setSpacing(8);
    layout->addWidget(playPause_);
    layout->addWidget(elapsed_);
    layout->addWidget(slider_, 1);
    layout->addWidget(remaining_);
    layout->addWidget(audio_);
    layout->addWidget(subtitles_);
    updateButtonIcon();
}

void PlayerControlsBar::setupSignals()
{
    connect(playPause_, &QToolButton::clicked, this, &PlayerControlsBar::playPauseClicked);
    connect(slider_, &QSlider::sliderMoved, this,
            [this](int ms) { Q_EMIT seekRequested(static_cast<double>(ms) / 1000.0); });
    // Clicks on the groove and keys step the slider without moving the handle by hand.
    connect(slider_, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove && action != QAbstractSlider::SliderNoAction)
            Q_EMIT seekRequested(static_cast<double>(slider_->sliderPosition()) / 1000.0);
    });
    connect(audio_, &TrackButton::rowChosen, this, [this](int row) { Q_EMIT trackChosen(TrackKind::Audio, row); });
    connect(subtitles_, &TrackButton::rowChosen, this, [this](int row) { Q_EMIT trackChosen(TrackKind::Subtitles, row); });
}

void PlayerControlsBar::setTrackRows(TrackKind kind, const QStringList& rows, int current)
{
    trackButton(kind)->setRows(rows, current);
}

TrackButton* PlayerControlsBar::trackButton(TrackKind kind) const
{
    return kind == TrackKind::Audio ? audio_ : subtitles_;
}

void PlayerControlsBar::setPlaying(bool playing)
{
    if (playing == playing_)
        return;
    playing_ = playing;
    updateButtonIcon();
}

void PlayerControlsBar::updateButtonIcon()
{
    playPause_->setIcon(transportIcon(playing_ ? Transport::Pause : Transport::Play));
    playPause_->setToolTip(playing_ ? tr("Pause") : tr("Play"));
}

void PlayerControlsBar::setTimes(double current, std::optional<double> duration)
{
    elapsed_->setText(formatPlaybackTime(current));
    remaining_->setText(formatRemainingTime(current, duration));
    slider_->setEnabled(duration.has_value());
    if (isScrubbing())
        return;
    const int lengthMs = duration ? static_cast<int>(std::min(*duration * 1000.0, 2.0e9)) : 0;
    slider_->setRange(0, lengthMs);
    slider_->setPageStep(std::max(1000, lengthMs / 10));
    slider_->setValue(static_cast<int>(std::clamp(current * 1000.0, 0.0, static_cast<double>(lengthMs))));
}

bool PlayerControlsBar::isScrubbing() const
{
    return slider_->isSliderDown();
}

QString PlayerControlsBar::elapsedText() const
{
    return elapsed_->text();
}

QString PlayerControlsBar::remainingText() const
{
    return remaining_->text();
}

void PlayerControlsBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(colors::controlsScrim);
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
}

} // namespace kavio::platform
