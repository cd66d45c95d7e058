// The car player as the desktop sees it: playerctl, a real MPRIS client, on a private
// session bus (run under dbus-run-session).

#include "support/CarplayTestSupport.h"

#include "app/CarPlaySceneDelegate.h"
#include "app/Opener.h"
#include "carplay/CRFMController.h"
#include "carplay/KavioController.h"
#include "library/FolderModel.h"
#include "platform/nowplaying/MprisService.h"
#include "platform/screens/Scene.h"
#include "platform/testing/FakePlayer.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace kavio::app {
namespace {

namespace fs = std::filesystem;
using carplay::test::CarWindow;

class MediaControls : public ::testing::Test {
protected:
    MediaControls()
        : scenes([this](platform::SceneRole) { return std::make_unique<CarPlaySceneDelegate>(library.documents()); })
    {
    }

    void SetUp() override
    {
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "no session bus: run under dbus-run-session";
        if (QStandardPaths::findExecutable("playerctl").isEmpty())
            GTEST_SKIP() << "playerctl is not installed";
        mpris = platform::MprisService::start();
        ASSERT_TRUE(mpris);
        mpris->setOpenUriHandler([this](const QUrl& url) { return openInCar(scenes, url); });

        trips = library.documents() / "Trips";
        carplay::test::fileRecords(trips, {carplay::test::record("a"), carplay::test::record("b"), carplay::test::record("c")});
        for (const char* title : {"a", "b", "c"})
            kavio::test::writeFile(trips / (std::string(title) + ".mp4"), "x");
    }

    void TearDown() override
    {
        scenes.disconnectScene(platform::SceneRole::Car);
        CarWindow::settle();
        platform::MprisService::stop();
    }

    QUrl fileUrl(const std::string& name) const
    {
        return QUrl::fromLocalFile(QString::fromStdString((trips / name).string()));
    }

    carplay::KavioController* player()
    {
        platform::Scene* scene = scenes.scene(platform::SceneRole::Car);
        return scene ? dynamic_cast<carplay::KavioController*>(scene->window().topViewController()) : nullptr;
    }

    // Runs playerctl while this event loop keeps answering its calls.
    QString playerctl(const QStringList& arguments)
    {
        QProcess process;
        process.start(QStringLiteral("playerctl"), QStringList{QStringLiteral("-p"), QStringLiteral("kavio")} + arguments);
        QElapsedTimer timer;
        timer.start();
        while (process.state() != QProcess::NotRunning && timer.elapsed() < 10000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            process.waitForFinished(5);
        }
        CarWindow::settle();
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }

    // Publishes the now-playing information as the half-second tick does.
    void tick() { players.last()->advanceTime(0.5); }

    carplay::test::Library library;
    platform::FakePlayerFactory players;
    platform::SceneManager scenes;
    platform::MprisService* mpris = nullptr;
    fs::path trips;
};

TEST_F(MediaControls, PlayerctlDrivesThePlayer)
{
    ASSERT_TRUE(openInCar(scenes, fileUrl("b.mp4")).isOk());
    CarWindow::settle();
    ASSERT_TRUE(player());
    tick();

    playerctl({QStringLiteral("pause")});
    EXPECT_EQ(players.last()->rate(), 0.0);
    playerctl({QStringLiteral("play")});
    EXPECT_EQ(players.last()->rate(), 1.0);
    playerctl({QStringLiteral("play-pause")});
    EXPECT_EQ(players.last()->rate(), 0.0);
    EXPECT_EQ(playerctl({QStringLiteral("status")}), "Paused");

    playerctl({QStringLiteral("next")});
    EXPECT_EQ(player()->currentIndex(), 2u);
    playerctl({QStringLiteral("next")});
    EXPECT_EQ(player()->currentIndex(), 0u); // after the last, the first
    playerctl({QStringLiteral("previous")});
    EXPECT_EQ(player()->currentIndex(), 2u);

    tick();
    const QString metadata = playerctl({QStringLiteral("metadata"), QStringLiteral("--format"),
                                        QStringLiteral("{{title}}|{{artist}}|{{mpris:artUrl}}")});
    const QStringList parts = metadata.split('|');
    ASSERT_EQ(parts.size(), 3) << metadata.toStdString();
    EXPECT_EQ(parts[0], "c");
    EXPECT_EQ(parts[1], "by c");
    EXPECT_TRUE(parts[2].startsWith("file://")) << parts[2].toStdString();
    EXPECT_TRUE(QFile::exists(QUrl(parts[2]).toLocalFile()));
}

TEST_F(MediaControls, PlayerctlOpenPlaysAFileOfTheLibrary)
{
    playerctl({QStringLiteral("open"), fileUrl("a.mp4").toString()});
    ASSERT_TRUE(player());
    EXPECT_EQ(player()->currentIndex(), 0u);
    EXPECT_EQ(player()->queue().count(), 3u);
    EXPECT_EQ(players.last()->calls().first(), "replace " + fileUrl("a.mp4").toString());
}

TEST_F(MediaControls, SecondLaunchHandsItsVideoToTheRunningKavio)
{
    QProcess second;
    second.start(QStringLiteral(KAVIO_APP), {fileUrl("c.mp4").toLocalFile()});
    QElapsedTimer timer;
    timer.start();
    while (second.state() != QProcess::NotRunning && timer.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        second.waitForFinished(5);
    }
    CarWindow::settle();
    EXPECT_EQ(second.exitCode(), 0);
    ASSERT_TRUE(player());
    EXPECT_EQ(player()->currentIndex(), 2u);
}

TEST_F(MediaControls, ClosedPlayerLeavesNothingToControl)
{
    ASSERT_TRUE(openInCar(scenes, fileUrl("a.mp4")).isOk());
    CarWindow::settle();
    player()->CloseTap();
    CarWindow::settle();
    EXPECT_FALSE(player());
    playerctl({QStringLiteral("next")});
    EXPECT_EQ(playerctl({QStringLiteral("metadata"), QStringLiteral("title")}), "");
}

} // namespace
} // namespace kavio::app
