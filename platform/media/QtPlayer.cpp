#include "platform/media/QtPlayer.h"

#include "library/Utf8.h"

#include <QAudioOutput>
#include <QMediaMetaData>
#include <QTimer>
#include <QVideoSink>

#include <utility>

namespace kavio::platform {

namespace {
constexpr qint64 kSeekableWaitMs = 2000;
} // namespace

void prepareMediaBackend()
{
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "gstreamer");
}

QtPlayer::QtPlayer()
{
    prepareMediaBackend();
    media_ = new QMediaPlayer(this);
    audio_ = new QAudioOutput(this);
    media_->setAudioOutput(audio_);
    setupSignals();
}

QtPlayer::~QtPlayer()
{
    // Stop before the children go, so no backend signal reaches a half-destroyed player.
    media_->disconnect(this);
    media_->stop();
}

void QtPlayer::setupSignals()
{
    connect(media_, &QMediaPlayer::mediaStatusChanged, this, &QtPlayer::handleMediaStatus);
    connect(media_, &QMediaPlayer::playbackStateChanged, this, &QtPlayer::handlePlaybackState);
    connect(media_, &QMediaPlayer::errorOccurred, this, &QtPlayer::handleError);
    connect(media_, &QMediaPlayer::positionChanged, this, [this](qint64 ms) {
        // Until a held seek is done, the backend counts from where the media opened; media
        // that plays on for a while without ever becoming seekable (a live stream) drops it.
        if (pendingSeekMs_ && ms < kSeekableWaitMs)
            return;
        pendingSeekMs_.reset();
        reportTime(static_cast<double>(ms) / 1000.0);
    });
    connect(media_, &QMediaPlayer::durationChanged, this, [this] { Q_EMIT durationChanged(); });
    connect(media_, &QMediaPlayer::tracksChanged, this, &Player::tracksChanged);
    connect(media_, &QMediaPlayer::seekableChanged, this, [this](bool seekable) {
        if (seekable)
            applyPendingSeek();
    });
}

double QtPlayer::currentTime() const
{
    const qint64 ms = pendingSeekMs_ ? *pendingSeekMs_ : media_->position();
    return static_cast<double>(ms) / 1000.0;
}

std::optional<double> QtPlayer::duration() const
{
    const qint64 ms = media_->duration();
    if (ms <= 0)
        return std::nullopt;
    return static_cast<double>(ms) / 1000.0;
}

std::vector<MediaTrack> QtPlayer::audioTracks() const
{
    std::vector<MediaTrack> tracks;
    const QList<QMediaMetaData> listed = media_->audioTracks();
    for (qsizetype i = 0; i < listed.size(); ++i) {
        MediaTrack track;
        track.language.language = listed[i].value(QMediaMetaData::Language).value<QLocale::Language>();
        track.title = toUtf8(listed[i].stringValue(QMediaMetaData::Title));
        track.stream = static_cast<int>(i);
        tracks.push_back(std::move(track));
    }
    return tracks;
}

int QtPlayer::activeAudioTrack() const
{
    return media_->activeAudioTrack();
}

void QtPlayer::setActiveAudioTrack(int index)
{
    if (index >= 0 && index < media_->audioTracks().size() && index != media_->activeAudioTrack())
        media_->setActiveAudioTrack(index);
}

void QtPlayer::setVideoSink(QVideoSink* sink)
{
    if (sink_)
        disconnect(sink_, &QObject::destroyed, this, nullptr);
    sink_ = sink;
    media_->setVideoSink(sink);
    if (sink) {
        connect(sink, &QObject::destroyed, this, [this] {
            sink_ = nullptr;
            media_->setVideoSink(nullptr);
        });
    }
}

void QtPlayer::loadItem(const PlayerItem* item)
{
    ++generation_;
    itemLoaded_ = false;
    pendingSeekMs_.reset();
    const QUrl url = item ? item->url() : QUrl();
    // QMediaPlayer ignores a source equal to the current one; a new item of the same URL
    // must still start over from the beginning.
    if (!url.isEmpty() && media_->source() == url)
        media_->setSource(QUrl());
    media_->setSource(url);
}

void QtPlayer::startPlayback()
{
    if (!currentItem() || status() == PlayerStatus::Failed)
        return;
    media_->play();
}

void QtPlayer::pausePlayback()
{
    if (media_->playbackState() == QMediaPlayer::PlayingState)
        media_->pause();
}

void QtPlayer::seekPlayback(double seconds)
{
    pendingSeekMs_ = static_cast<qint64>(seconds * 1000.0 + 0.5);
    if (media_->isSeekable())
        applyPendingSeek();
}

void QtPlayer::applyPendingSeek()
{
    // GStreamer drops a seek made before the pipeline can seek (a file still opening, a
    // stream still buffering): it is held until then.
    if (const std::optional<qint64> ms = std::exchange(pendingSeekMs_, std::nullopt))
        media_->setPosition(*ms);
}

void QtPlayer::handleMediaStatus(QMediaPlayer::MediaStatus mediaStatus)
{
    switch (mediaStatus) {
    case QMediaPlayer::LoadedMedia:
    case QMediaPlayer::BufferingMedia:
    case QMediaPlayer::BufferedMedia:
        if (!currentItem() || status() == PlayerStatus::Failed)
            return;
        itemLoaded_ = true;
        reportStatus(PlayerStatus::ReadyToPlay);
        break;
    case QMediaPlayer::EndOfMedia:
        if (!itemLoaded_ || status() == PlayerStatus::Failed)
            return;
        // Announce after the backend has finished with its end-of-stream, so an observer
        // that loads the next item at once does not reenter it.
        QTimer::singleShot(0, this, [this, generation = generation_] {
            if (generation == generation_)
                reportPlayedToEnd();
        });
        break;
    case QMediaPlayer::InvalidMedia:
        if (currentItem() && status() != PlayerStatus::Failed) {
            const QString message = media_->errorString();
            reportStatus(PlayerStatus::Failed,
                         message.isEmpty() ? QStringLiteral("The media cannot be played") : message);
        }
        break;
    case QMediaPlayer::NoMedia:
    case QMediaPlayer::LoadingMedia:
    case QMediaPlayer::StalledMedia:
        break;
    }
}

void QtPlayer::handlePlaybackState(QMediaPlayer::PlaybackState state)
{
    reportRate(state == QMediaPlayer::PlayingState ? media_->playbackRate() : 0.0);
}

void QtPlayer::handleError(QMediaPlayer::Error error, const QString& message)
{
    if (error == QMediaPlayer::NoError || !currentItem() || status() == PlayerStatus::Failed)
        return;
    reportStatus(PlayerStatus::Failed, message.isEmpty() ? QStringLiteral("Playback failed") : message);
    media_->stop();
}

} // namespace kavio::platform
