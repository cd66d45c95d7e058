// The screen-saver inhibition against a stand-in org.freedesktop.ScreenSaver on the test's
// private session bus.

#include "MediaTestSupport.h"
#include "platform/AudioSession.h"
#include "platform/FakePlayer.h"
#include "platform/ScreenSaverInhibitor.h"

#include <QDBusConnection>

#include <gtest/gtest.h>

namespace kavio::platform {

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

using test::pumpUntil;

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

TEST_F(ScreenSaverDBusTest, PlayingInhibitsAndPausingHandsTheCookieBack)
{
    startService();
    player.play();
    ASSERT_TRUE(pumpUntil([&] { return screenSaver.calls.size() == 1; }));
    EXPECT_EQ(screenSaver.calls.front(), "Inhibit Kavio: Playing video");
    player.pause();
    ASSERT_TRUE(pumpUntil([&] { return screenSaver.calls.size() == 2; }));
    EXPECT_EQ(screenSaver.calls.back(), "UnInhibit 42");
}

TEST_F(ScreenSaverDBusTest, PauseBeforeTheCookieArrivesStillHandsItBack)
{
    startService();
    player.play();
    player.pause(); // the Inhibit reply is still on its way
    ASSERT_TRUE(pumpUntil([&] { return screenSaver.calls.size() == 2; }));
    EXPECT_EQ(screenSaver.calls, (QStringList{"Inhibit Kavio: Playing video", "UnInhibit 42"}));
}

TEST_F(ScreenSaverDBusTest, WithoutTheServicePlaybackGoesOnQuietly)
{
    DBusScreenSaverInhibitor inhibitor;
    inhibitor.inhibit("Kavio", "Playing video");
    pumpUntil([] { return false; }, 300); // let the error reply come back
    EXPECT_FALSE(inhibitor.isHeld());
    inhibitor.uninhibit();
}

} // namespace
} // namespace kavio::platform

#include "ScreenSaverDBusTests.moc"
