#include "platform/nowplaying/MprisService.h"

#include "platform/nowplaying/MprisAdaptors.h"
#include "platform/nowplaying/MprisArtworkStore.h"
#include "platform/nowplaying/NowPlayingInfoCenter.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>

#include <algorithm>

namespace kavio::platform {

namespace {

MprisService*& instanceStorage()
{
    static MprisService* service = nullptr;
    return service;
}

bool claimName(QDBusConnection& bus, const QString& name)
{
    QDBusConnectionInterface* daemon = bus.interface();
    if (!daemon)
        return false;
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = daemon->registerService(
        name, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    return reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
}

} // namespace

MprisService* MprisService::start()
{
    if (MprisService* running = instanceStorage())
        return running;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return nullptr;
    // The object goes up before the name, so whoever sees the name can call at once.
    QString name = QString::fromLatin1(kServiceName);
    auto service = std::unique_ptr<MprisService>(new MprisService(bus, name));
    if (!bus.registerObject(QString::fromLatin1(kObjectPath), service.get(), QDBusConnection::ExportAdaptors))
        return nullptr;
    if (!claimName(bus, name)) {
        name += QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
        if (!claimName(bus, name)) {
            bus.unregisterObject(QString::fromLatin1(kObjectPath));
            return nullptr;
        }
        service->serviceName_ = name;
    }
    static const bool cleanupRegistered = [] {
        qAddPostRoutine(&MprisService::stop);
        return true;
    }();
    Q_UNUSED(cleanupRegistered);
    instanceStorage() = service.release();
    return instanceStorage();
}

MprisService* MprisService::instance()
{
    return instanceStorage();
}

void MprisService::stop()
{
    delete std::exchange(instanceStorage(), nullptr);
}

MprisService::MprisService(QDBusConnection connection, QString serviceName)
    : connection_(std::move(connection))
    , serviceName_(std::move(serviceName))
    , nowPlaying_(NowPlayingInfoCenter::shared())
    , commands_(RemoteCommandCenter::shared())
    , artwork_(std::make_unique<MprisArtworkStore>())
{
    setupAdaptors();
    setupSignals();
    published_ = computeProperties(); // the starting state; nobody listens yet
}

MprisService::~MprisService()
{
    connection_.unregisterObject(QString::fromLatin1(kObjectPath));
    if (QDBusConnectionInterface* daemon = connection_.interface())
        daemon->unregisterService(serviceName_);
}

void MprisService::setupAdaptors()
{
    new MprisRootAdaptor(this);
    playerAdaptor_ = new MprisPlayerAdaptor(this);
}

void MprisService::setupSignals()
{
    updateTimer_.setSingleShot(true);
    updateTimer_.setInterval(0);
    connect(&updateTimer_, &QTimer::timeout, this, &MprisService::publishChanges);
    connect(&nowPlaying_, &NowPlayingInfoCenter::nowPlayingInfoChanged, this, &MprisService::scheduleUpdate);
    connect(&nowPlaying_, &NowPlayingInfoCenter::playbackStateChanged, this, &MprisService::scheduleUpdate);
    connect(&commands_, &RemoteCommandCenter::availabilityChanged, this, &MprisService::scheduleUpdate);
    connect(&nowPlaying_, &NowPlayingInfoCenter::seeked, this, [this](double seconds) {
        Q_EMIT playerAdaptor_->Seeked(static_cast<qlonglong>(seconds * 1e6));
    });
}

void MprisService::scheduleUpdate()
{
    if (!updateTimer_.isActive())
        updateTimer_.start();
}

const MprisPlayerProperties& MprisService::currentProperties()
{
    // A reader right after a change gets the new value, and its signal goes out first.
    if (updateTimer_.isActive()) {
        updateTimer_.stop();
        publishChanges();
    }
    return published_;
}

MprisPlayerProperties MprisService::computeProperties()
{
    const std::optional<NowPlayingInfo>& info = nowPlaying_.nowPlayingInfo();
    return mprisPlayerProperties(info, nowPlaying_.playbackState(), artwork_->artUrl(info),
                                 mprisCommandAvailability(commands_));
}

void MprisService::publishChanges()
{
    const MprisPlayerProperties next = computeProperties();
    const QVariantMap changed = mprisChangedProperties(published_, next);
    published_ = next;
    if (!changed.isEmpty())
        sendPropertiesChanged(kPlayerInterface, changed);
}

void MprisService::sendPropertiesChanged(const char* interface, const QVariantMap& changed)
{
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(interface) << changed << QStringList();
    connection_.send(signal);
}

qlonglong MprisService::position() const
{
    return mprisPosition(nowPlaying_.nowPlayingInfo());
}

void MprisService::setRaiseHandler(std::function<void()> handler)
{
    const bool could = canRaise();
    raise_ = std::move(handler);
    if (could != canRaise())
        sendPropertiesChanged(kRootInterface, {{QStringLiteral("CanRaise"), canRaise()}});
}

void MprisService::setQuitHandler(std::function<void()> handler)
{
    const bool could = canQuit();
    quit_ = std::move(handler);
    if (could != canQuit())
        sendPropertiesChanged(kRootInterface, {{QStringLiteral("CanQuit"), canQuit()}});
}

void MprisService::raise()
{
    if (raise_)
        raise_();
}

void MprisService::quit()
{
    if (quit_)
        quit_();
}

Status MprisService::openUri(const QString& uri)
{
    if (!openUri_)
        return Status::unsupported("this player cannot open URIs yet");
    const QUrl url(uri, QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || (scheme != QLatin1String("file") && scheme != QLatin1String("http")
                           && scheme != QLatin1String("https")))
        return Status::unsupported("unsupported URI: " + uri.toStdString());
    return openUri_(url);
}

CommandStatus MprisService::dispatch(RemoteCommandKind kind)
{
    return commands_.dispatch(kind);
}

void MprisService::seekBy(double seconds)
{
    const std::optional<NowPlayingInfo>& info = nowPlaying_.nowPlayingInfo();
    if (!info || !info->playbackDuration)
        return;
    const double target = std::max(0.0, static_cast<double>(position()) / 1e6 + seconds);
    if (target > *info->playbackDuration) {
        commands_.dispatch(RemoteCommandKind::NextTrack);
        return;
    }
    commands_.changePlaybackPositionCommand().dispatch(target);
}

void MprisService::setPosition(const QDBusObjectPath& trackId, double seconds)
{
    const std::optional<NowPlayingInfo>& info = nowPlaying_.nowPlayingInfo();
    // A position for a track no longer playing is stale: ignored, as the interface asks.
    if (!info || !info->playbackDuration || trackId != mprisTrackPath(info->trackId))
        return;
    if (seconds < 0 || seconds > *info->playbackDuration)
        return;
    commands_.changePlaybackPositionCommand().dispatch(seconds);
}

} // namespace kavio::platform
