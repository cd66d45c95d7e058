// On a private session bus: the MPRIS service as a shell sees it, and screen-saver
// inhibition against a stand-in org.freedesktop.ScreenSaver. What playerctl reads of the
// car player is the app's test; what each property holds, MprisMappingTest's.

#include "platform/media/AudioSession.h"
#include "platform/media/ScreenSaverInhibitor.h"
#include "platform/nowplaying/MprisService.h"
#include "platform/nowplaying/NowPlayingInfoCenter.h"
#include "platform/nowplaying/RemoteCommandCenter.h"
#include "platform/testing/FakePlayer.h"
#include "support/MediaTestSupport.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>

#include <gtest/gtest.h>

namespace kavio::platform {

// Collects the property changes a shell would listen to.
class MprisSignalRecorder : public QObject {
    Q_OBJECT
public:
    std::vector<QVariantMap> playerChanges;

public Q_SLOTS:
    void propertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList&)
    {
        if (interface == QLatin1String(MprisService::kPlayerInterface))
            playerChanges.push_back(changed);
    }
};

class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    QStringList calls;

public Q_SLOTS:
    uint Inhibit(const QString& application, const QString& reason)
    {
        calls << QStringLiteral("Inhibit %1: %2").arg(application, reason);
        return 42;
    }
    void UnInhibit(uint cookie) { calls << QStringLiteral("UnInhibit %1").arg(cookie); }
};

namespace {

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

    QDBusMessage callPlayer(const QString& interface, const QString& method, const QVariantList& arguments = {})
    {
        QDBusMessage call = QDBusMessage::createMethodCall(service->serviceName(), MprisService::kObjectPath,
                                                           interface, method);
        call.setArguments(arguments);
        QDBusPendingCall pending = shell.asyncCall(call);
        EXPECT_TRUE(QTest::qWaitFor([&] { return pending.isFinished(); }));
        return pending.reply();
    }

    QVariant property(const QString& interface, const QString& name)
    {
        const QDBusMessage reply = callPlayer("org.freedesktop.DBus.Properties", "Get", {interface, name});
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }

    static NowPlayingInfo entry(const QString& trackId)
    {
        NowPlayingInfo info;
        info.trackId = trackId;
        info.title = QStringLiteral("Beach day %1").arg(trackId);
        return info;
    }

    MprisService* service = nullptr;
    QDBusConnection shell = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "shell");
    MprisSignalRecorder recorder;
    QObject queue; // the screen that owns the command targets; they go with it
};

TEST_F(MprisDBusTest, ServiceTakesTheKavioNameOrAnInstanceNameWhenItIsTaken)
{
    EXPECT_EQ(service->serviceName(), MprisService::kServiceName);
    EXPECT_TRUE(shell.interface()->isServiceRegistered(MprisService::kServiceName));
    EXPECT_EQ(MprisService::start(), service); // once per process
    MprisService::stop();
    QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "other-kavio");
    ASSERT_TRUE(other.registerService(MprisService::kServiceName));
    service = MprisService::start();
    ASSERT_NE(service, nullptr);
    EXPECT_EQ(service->serviceName(),
              QStringLiteral("%1.instance%2").arg(MprisService::kServiceName).arg(QCoreApplication::applicationPid()));
    QDBusConnection::disconnectFromBus(other.name());
}

TEST_F(MprisDBusTest, TrackChangesAndCommandTargetsAreSignalledToTheShell)
{
    // QtDBus takes the receiving slot by name; there is no function-pointer form.
    ASSERT_TRUE(shell.connect({}, MprisService::kObjectPath, "org.freedesktop.DBus.Properties", "PropertiesChanged",
                              &recorder, SLOT(propertiesChanged(QString, QVariantMap, QStringList))));
    NowPlayingInfoCenter::shared().setNowPlayingInfo(entry("1"));
    NowPlayingInfoCenter::shared().setPlaybackState(PlaybackState::Playing);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !recorder.playerChanges.empty(); }));
    recorder.playerChanges.clear();
    NowPlayingInfoCenter::shared().setNowPlayingInfo(entry("2"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !recorder.playerChanges.empty(); }));
    const QVariantMap changed = recorder.playerChanges.front();
    EXPECT_EQ(qdbus_cast<QVariantMap>(changed.value("Metadata")).value("xesam:title").toString(), "Beach day 2");

    recorder.playerChanges.clear();
    RemoteCommandCenter::shared().nextTrackCommand().addTarget(&queue, [] { return CommandStatus::Success; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !recorder.playerChanges.empty(); }));
    EXPECT_TRUE(recorder.playerChanges.front().value("CanGoNext").toBool());
    EXPECT_TRUE(property(MprisService::kPlayerInterface, "CanGoNext").toBool());
    RemoteCommandCenter::shared().removeTargets(&queue);
    EXPECT_FALSE(property(MprisService::kPlayerInterface, "CanGoNext").toBool());
}

// The app's handler, once set, is the app's test (playerctl open).
TEST_F(MprisDBusTest, OpenUriIsRefusedUntilTheAppTakesIt)
{
    const QVariantList uri{"file:///videos/a.mp4"};
    EXPECT_EQ(callPlayer(MprisService::kPlayerInterface, "OpenUri", uri).type(), QDBusMessage::ErrorMessage);
}

class ScreenSaverDBusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "no session bus: run under dbus-run-session";
        player.replaceCurrentItem(PlayerItem::create(QUrl::fromLocalFile("/videos/a.mp4")));
        AudioSession::shared().setActive(false);
        AudioSession::shared().setScreenSaverInhibitor(std::make_unique<DBusScreenSaverInhibitor>());
    }

    void TearDown() override
    {
        AudioSession::shared().setScreenSaverInhibitor(
            std::make_unique<test::RecordingInhibitor>(std::make_shared<test::InhibitorLog>()));
        desktop.unregisterObject(DBusScreenSaverInhibitor::kPath);
        desktop.unregisterService(DBusScreenSaverInhibitor::kService);
        QDBusConnection::disconnectFromBus(desktop.name());
    }

    void startService()
    {
        ASSERT_TRUE(desktop.registerObject(DBusScreenSaverInhibitor::kPath, &screenSaver, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(desktop.registerService(DBusScreenSaverInhibitor::kService));
    }

    // The desktop side lives on its own connection, as another process would.
    QDBusConnection desktop = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake-desktop");
    FakeScreenSaver screenSaver;
    FakePlayer player;
};

TEST_F(ScreenSaverDBusTest, PlayingInhibitsAndPausingHandsTheCookieBackEvenBeforeItArrived)
{
    DBusScreenSaverInhibitor missing; // before the service exists: the error reply holds nothing
    missing.inhibit("Kavio", "Playing video");
    QTest::qWait(300);
    EXPECT_FALSE(missing.isHeld());
    missing.uninhibit();
    startService();
    player.play();
    ASSERT_TRUE(QTest::qWaitFor([&] { return screenSaver.calls.size() == 1; }));
    EXPECT_EQ(screenSaver.calls.front(), "Inhibit Kavio: Playing video");
    player.pause();
    ASSERT_TRUE(QTest::qWaitFor([&] { return screenSaver.calls.size() == 2; }));
    EXPECT_EQ(screenSaver.calls.back(), "UnInhibit 42");
    player.play();
    player.pause(); // the Inhibit reply is still on its way
    ASSERT_TRUE(QTest::qWaitFor([&] { return screenSaver.calls.size() == 4; }));
    EXPECT_EQ(screenSaver.calls.mid(2), (QStringList{"Inhibit Kavio: Playing video", "UnInhibit 42"}));
}

} // namespace
} // namespace kavio::platform

#include "DBusTest.moc"
