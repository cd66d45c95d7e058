#include "platform/nowplaying/MprisAdaptors.h"

#include "platform/nowplaying/MprisService.h"
#include "platform/nowplaying/RemoteCommandCenter.h"

#include <QDBusConnection>

namespace kavio::platform {

MprisRootAdaptor::MprisRootAdaptor(MprisService* service)
    : QDBusAbstractAdaptor(service)
    , service_(service)
{
}

bool MprisRootAdaptor::canQuit() const
{
    return service_->canQuit();
}

bool MprisRootAdaptor::canRaise() const
{
    return service_->canRaise();
}

QStringList MprisRootAdaptor::supportedUriSchemes() const
{
    return {QStringLiteral("file"), QStringLiteral("http"), QStringLiteral("https")};
}

QStringList MprisRootAdaptor::supportedMimeTypes() const
{
    return {QStringLiteral("video/mp4"), QStringLiteral("video/quicktime"), QStringLiteral("video/x-m4v")};
}

void MprisRootAdaptor::Raise()
{
    service_->raise();
}

void MprisRootAdaptor::Quit()
{
    service_->quit();
}

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService* service)
    : QDBusAbstractAdaptor(service)
    , service_(service)
{
}

QString MprisPlayerAdaptor::playbackStatus() const
{
    return service_->currentProperties().playbackStatus;
}

QVariantMap MprisPlayerAdaptor::metadata() const
{
    return service_->currentProperties().metadata;
}

qlonglong MprisPlayerAdaptor::position() const
{
    return service_->position();
}

bool MprisPlayerAdaptor::canGoNext() const
{
    return service_->currentProperties().canGoNext;
}

bool MprisPlayerAdaptor::canGoPrevious() const
{
    return service_->currentProperties().canGoPrevious;
}

bool MprisPlayerAdaptor::canPlay() const
{
    return service_->currentProperties().canPlay;
}

bool MprisPlayerAdaptor::canPause() const
{
    return service_->currentProperties().canPause;
}

void MprisPlayerAdaptor::Next()
{
    service_->dispatch(RemoteCommandKind::NextTrack);
}

void MprisPlayerAdaptor::Previous()
{
    service_->dispatch(RemoteCommandKind::PreviousTrack);
}

void MprisPlayerAdaptor::Pause()
{
    service_->dispatch(RemoteCommandKind::Pause);
}

void MprisPlayerAdaptor::PlayPause()
{
    service_->dispatch(RemoteCommandKind::TogglePlayPause);
}

void MprisPlayerAdaptor::Stop()
{
    // There is no stopped state to go to: the queue stays open, paused.
    service_->dispatch(RemoteCommandKind::Pause);
}

void MprisPlayerAdaptor::Play()
{
    service_->dispatch(RemoteCommandKind::Play);
}

bool MprisPlayerAdaptor::canSeek() const
{
    return service_->currentProperties().canSeek;
}

// Offsets and positions come in microseconds. While CanSeek is false the interface says
// to accept and ignore.
void MprisPlayerAdaptor::Seek(qlonglong offset)
{
    if (!canSeek())
        return;
    service_->seekBy(static_cast<double>(offset) / 1e6);
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath& trackId, qlonglong position)
{
    if (!canSeek())
        return;
    service_->setPosition(trackId, static_cast<double>(position) / 1e6);
}

void MprisPlayerAdaptor::OpenUri(const QString& uri, const QDBusMessage& message)
{
    const Status status = service_->openUri(uri);
    if (status.isOk())
        return;
    message.setDelayedReply(true);
    service_->connection().send(message.createErrorReply(
        status.code() == Status::Code::Unsupported ? QDBusError::NotSupported : QDBusError::InvalidArgs,
        QString::fromStdString(status.message())));
}

} // namespace kavio::platform
