// MPRIS on a private session bus: the name, what playerctl sees and does, and the signals
// a desktop shell listens to.

#include "MediaTestSupport.h"
#include "platform/MprisService.h"
#include "platform/NowPlayingInfoCenter.h"
#include "platform/RemoteCommandCenter.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace kavio::platform {

// Collects the signals a shell would listen to.
class MprisSignalRecorder : public QObject {
    Q_OBJECT
public:
    std::vector<QVariantMap> playerChanges;
    std::vector<qlonglong> seeks;

public Q_SLOTS:
    void propertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList&)
    {
        if (interface == QLatin1String(MprisService::kPlayerInterface))
            playerChanges.push_back(changed);
    }
    void seeked(qlonglong position) { seeks.push_back(position); }
};

namespace {

using test::pumpUntil;

class MprisDBusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "no session bus: run under dbus-run-session";
        service = MprisService::start();
        ASSERT_NE(service, nullptr);
    }

    void TearDown() override
    {
        MprisService::stop();
        NowPlayingInfoCenter::shared().setNowPlayingInfo(std::nullopt);
        NowPlayingInfoCenter::shared().setPlaybackState(PlaybackState::Unknown);
        QDBusConnection::disconnectFromBus(shell.name());
    }

    // playerctl runs while our event loop keeps answering its calls.
    QString playerctl(const QStringList& arguments)
    {
        if (QStandardPaths::findExecutable("playerctl").isEmpty())
            return QStringLiteral("<no playerctl>");
        QProcess process;
        process.start("playerctl", QStringList{"-p", "kavio"} + arguments);
        pumpUntil([&] { return process.state() == QProcess::NotRunning; }, 10000);
        return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    }

    QDBusMessage callPlayer(const QString& interface, const QString& method, const QVariantList& arguments = {})
    {
        QDBusMessage call = QDBusMessage::createMethodCall(service->serviceName(), MprisService::kObjectPath,
                                                           interface, method);
        call.setArguments(arguments);
        QDBusPendingCall pending = shell.asyncCall(call);
        pumpUntil([&] { return pending.isFinished(); });
        return pending.reply();
    }

    QVariant property(const QString& interface, const QString& name)
    {
        const QDBusMessage reply = callPlayer("org.freedesktop.DBus.Properties", "Get", {interface, name});
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }

    void listen()
    {
        // QtDBus takes the receiving slot by name; there is no function-pointer form.
        ASSERT_TRUE(shell.connect({}, MprisService::kObjectPath, "org.freedesktop.DBus.Properties",
                                  "PropertiesChanged", &recorder,
                                  SLOT(propertiesChanged(QString, QVariantMap, QStringList))));
        ASSERT_TRUE(shell.connect({}, MprisService::kObjectPath, MprisService::kPlayerInterface, "Seeked",
                                  &recorder, SLOT(seeked(qlonglong))));
    }

    static NowPlayingInfo entry(const QString& trackId)
    {
        NowPlayingInfo info;
        info.trackId = trackId;
        info.title = QStringLiteral("Beach day %1").arg(trackId);
        info.artist = QStringLiteral("Ana");
        info.elapsedPlaybackTime = 12.25;
        QImage art(40, 30, QImage::Format_RGB32);
        art.fill(Qt::darkCyan);
        info.artwork = art;
        return info;
    }

    MprisService* service = nullptr;
    QDBusConnection shell = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "shell");
    MprisSignalRecorder recorder;
    QObject queue; // the screen that owns the command targets
};

TEST_F(MprisDBusTest, ServiceTakesTheKavioName)
{
    EXPECT_EQ(service->serviceName(), MprisService::kServiceName);
    EXPECT_TRUE(shell.interface()->isServiceRegistered(MprisService::kServiceName));
    EXPECT_EQ(MprisService::start(), service); // once per process
    EXPECT_EQ(property(MprisService::kRootInterface, "Identity").toString(), "Kavio");
    EXPECT_EQ(property(MprisService::kRootInterface, "DesktopEntry").toString(), "kavio");
}

TEST_F(MprisDBusTest, SecondCopyTakesAnInstanceName)
{
    MprisService::stop();
    QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "other-kavio");
    ASSERT_TRUE(other.registerService(MprisService::kServiceName));
    service = MprisService::start();
    ASSERT_NE(service, nullptr);
    EXPECT_EQ(service->serviceName(),
              QStringLiteral("%1.instance%2").arg(MprisService::kServiceName).arg(QCoreApplication::applicationPid()));
    QDBusConnection::disconnectFromBus(other.name());
}

TEST_F(MprisDBusTest, PlayerctlCommandsReachTheHandlers)
{
    QStringList handled;
    RemoteCommandCenter& commands = RemoteCommandCenter::shared();
    const struct {
        RemoteCommandKind kind;
        const char* name;
    } targets[] = {{RemoteCommandKind::Play, "play"},
                   {RemoteCommandKind::Pause, "pause"},
                   {RemoteCommandKind::TogglePlayPause, "toggle"},
                   {RemoteCommandKind::NextTrack, "next"},
                   {RemoteCommandKind::PreviousTrack, "previous"}};
    for (const auto& target : targets) {
        commands.command(target.kind).addTarget(&queue, [&handled, name = target.name] {
            handled << name;
            return CommandStatus::Success;
        });
    }
    for (const char* verb : {"play", "pause", "play-pause", "next", "previous", "stop"})
        playerctl({verb});
    EXPECT_EQ(handled, (QStringList{"play", "pause", "toggle", "next", "previous", "pause"}));
    commands.removeTargets(&queue);
}

TEST_F(MprisDBusTest, PlayerctlShowsTitleArtistAndArtwork)
{
    // playerctl lists nothing for a player that cannot play: open a queue first.
    RemoteCommandCenter::shared().togglePlayPauseCommand().addTarget(&queue, [] { return CommandStatus::Success; });
    NowPlayingInfoCenter::shared().setNowPlayingInfo(entry("1"));
    NowPlayingInfoCenter::shared().setPlaybackState(PlaybackState::Playing);
    const QString metadata = playerctl({"metadata"});
    EXPECT_TRUE(metadata.contains("xesam:title") && metadata.contains("Beach day 1")) << metadata.toStdString();
    EXPECT_TRUE(metadata.contains("xesam:artist") && metadata.contains("Ana")) << metadata.toStdString();
    EXPECT_TRUE(metadata.contains("mpris:artUrl") && metadata.contains("file://")) << metadata.toStdString();
    EXPECT_TRUE(metadata.contains("/org/kavio/track/1")) << metadata.toStdString();
    EXPECT_EQ(playerctl({"status"}).trimmed(), "Playing");
    EXPECT_NEAR(playerctl({"position"}).trimmed().toDouble(), 12.25, 0.5); // it extrapolates while playing
    RemoteCommandCenter::shared().removeTargets(&queue);
}

TEST_F(MprisDBusTest, ArtworkFileLivesUntilTheServiceStops)
{
    NowPlayingInfoCenter::shared().setNowPlayingInfo(entry("1"));
    const QVariantMap metadata = qdbus_cast<QVariantMap>(property(MprisService::kPlayerInterface, "Metadata"));
    const QString art = QUrl(metadata.value("mpris:artUrl").toString()).toLocalFile();
    EXPECT_TRUE(QFileInfo(art).isFile());
    MprisService::stop();
    EXPECT_FALSE(QFileInfo::exists(art));
}

TEST_F(MprisDBusTest, TrackChangeSignalsMetadataWithPlaybackStatus)
{
    listen();
    NowPlayingInfoCenter::shared().setNowPlayingInfo(entry("1"));
    NowPlayingInfoCenter::shared().setPlaybackState(PlaybackState::Playing);
    ASSERT_TRUE(pumpUntil([&] { return !recorder.playerChanges.empty(); }));
    recorder.playerChanges.clear();
    NowPlayingInfoCenter::shared().setNowPlayingInfo(entry("2"));
    ASSERT_TRUE(pumpUntil([&] { return !recorder.playerChanges.empty(); }));
    const QVariantMap& changed = recorder.playerChanges.front();
    EXPECT_EQ(changed.keys(), (QStringList{"Metadata", "PlaybackStatus"}));
    EXPECT_EQ(changed.value("PlaybackStatus").toString(), "Playing");
    const auto metadata = qdbus_cast<QVariantMap>(changed.value("Metadata"));
    EXPECT_EQ(metadata.value("xesam:title").toString(), "Beach day 2");
}

TEST_F(MprisDBusTest, CommandTargetsDecideWhatTheShellMayOffer)
{
    listen();
    EXPECT_FALSE(property(MprisService::kPlayerInterface, "CanGoNext").toBool());
    RemoteCommandCenter::shared().nextTrackCommand().addTarget(&queue, [] { return CommandStatus::Success; });
    ASSERT_TRUE(pumpUntil([&] { return !recorder.playerChanges.empty(); }));
    EXPECT_TRUE(recorder.playerChanges.front().value("CanGoNext").toBool());
    EXPECT_TRUE(property(MprisService::kPlayerInterface, "CanGoNext").toBool());
    RemoteCommandCenter::shared().removeTargets(&queue);
    EXPECT_FALSE(property(MprisService::kPlayerInterface, "CanGoNext").toBool());
}

TEST_F(MprisDBusTest, SeekIsAnnouncedInMicroseconds)
{
    listen();
    NowPlayingInfoCenter::shared().notifySeeked(31.5);
    ASSERT_TRUE(pumpUntil([&] { return !recorder.seeks.empty(); }));
    EXPECT_EQ(recorder.seeks.front(), 31'500'000);
}

TEST_F(MprisDBusTest, OpenUriFailsUntilTheAppTakesUris)
{
    const QDBusMessage refused = callPlayer(MprisService::kPlayerInterface, "OpenUri", {"file:///videos/a.mp4"});
    EXPECT_EQ(refused.type(), QDBusMessage::ErrorMessage);
    QUrl opened;
    service->setOpenUriHandler([&](const QUrl& url) {
        opened = url;
        return Status::ok();
    });
    const QDBusMessage accepted = callPlayer(MprisService::kPlayerInterface, "OpenUri", {"file:///videos/a.mp4"});
    EXPECT_EQ(accepted.type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(opened, QUrl("file:///videos/a.mp4"));
}

TEST_F(MprisDBusTest, RaiseAndQuitReachTheApp)
{
    int raised = 0;
    int quit = 0;
    EXPECT_FALSE(property(MprisService::kRootInterface, "CanRaise").toBool());
    service->setRaiseHandler([&] { ++raised; });
    service->setQuitHandler([&] { ++quit; });
    EXPECT_TRUE(property(MprisService::kRootInterface, "CanRaise").toBool());
    callPlayer(MprisService::kRootInterface, "Raise");
    callPlayer(MprisService::kRootInterface, "Quit");
    EXPECT_EQ(raised, 1);
    EXPECT_EQ(quit, 1);
}

} // namespace
} // namespace kavio::platform

#include "MprisDBusTests.moc"
