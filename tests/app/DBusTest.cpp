// The car player as the desktop sees it: playerctl, a real MPRIS client, on a private
// session bus (run under dbus-run-session).

#include "CarScenes.h"

#include "app/Opener.h"
#include "app/RunningInstance.h"
#include "carplay/PlaybackMemory.h"
#include "library/FolderModel.h"
#include "platform/media/PlayerControlsBar.h"
#include "platform/nowplaying/MprisMetadata.h"
#include "platform/nowplaying/MprisService.h"
#include "platform/nowplaying/NowPlayingInfoCenter.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace kavio::app {

// The Seeked signals a shell would see.
class SeekedRecorder : public QObject {
    Q_OBJECT
public:
    std::vector<qlonglong> seeks;
public Q_SLOTS:
    void seeked(qlonglong position) { seeks.push_back(position); }
};

namespace {

namespace fs = std::filesystem;
using carplay::test::CarWindow;

class MediaControls : public CarScene {
protected:
    void SetUp() override
    {
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "no session bus: run under dbus-run-session";
        if (QStandardPaths::findExecutable("playerctl").isEmpty())
            GTEST_SKIP() << "playerctl is not installed";
        mpris = platform::MprisService::start();
        ASSERT_TRUE(mpris);
        serveRequests(*mpris, scenes, RunMode::Desktop);

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

    // Runs playerctl while this event loop keeps answering its calls.
    QString playerctl(const QStringList& arguments)
    {
        QProcess process;
        process.start(QStringLiteral("playerctl"), QStringList{QStringLiteral("-p"), QStringLiteral("kavio")} + arguments);
        EXPECT_TRUE(QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 10000));
        CarWindow::settle();
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }

    // The car player on a file of the folder, opened as the desktop opens one.
    carplay::KavioController* open(const std::string& name)
    {
        EXPECT_TRUE(openInCar(scenes, fileUrl(trips / name)).isOk());
        CarWindow::settle();
        return player();
    }
    // A second start of the program, which ends of itself.
    static void startSecond(const QStringList& arguments)
    {
        QProcess second;
        second.start(QStringLiteral(KAVIO_APP), arguments);
        EXPECT_TRUE(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 20000));
        CarWindow::settle();
        EXPECT_TRUE(second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0)
            << second.readAllStandardError().toStdString();
    }
    // Publishes the now-playing information as the half-second tick does.
    void tick() { players.last()->advanceTime(0.5); }
    void playFor(double seconds)
    {
        players.last()->setDuration(600);
        players.last()->advanceTime(seconds);
    }
    double position() { return playerctl({QStringLiteral("position")}).toDouble(); }
    QString title() { return playerctl({QStringLiteral("metadata"), QStringLiteral("title")}); }
    QStringList seeks() const { return players.last()->calls().filter(QStringLiteral("seek ")); }
    static QDBusObjectPath trackPath()
    {
        return platform::mprisTrackPath(platform::NowPlayingInfoCenter::shared().nowPlayingInfo()->trackId);
    }

    platform::MprisService* mpris = nullptr;
    fs::path trips;
};

// A closed player leaves nothing to control.
TEST_F(MediaControls, PlayerctlDrivesThePlayerUntilItCloses)
{
    ASSERT_TRUE(open("b.mp4"));
    tick();

    playerctl({QStringLiteral("pause")});
    EXPECT_EQ(players.last()->rate(), 0.0);
    ASSERT_TRUE(carplay::PlaybackMemory::shared().lastSession());
    EXPECT_EQ(carplay::PlaybackMemory::shared().lastSession()->state, PlayerSession::State::Paused)
        << "a pause from the desktop is the person's: the car's next start keeps the folder list";
    playerctl({QStringLiteral("play")});
    EXPECT_EQ(players.last()->rate(), 1.0);
    playerctl({QStringLiteral("play-pause")});
    EXPECT_EQ(players.last()->rate(), 0.0);
    EXPECT_EQ(playerctl({QStringLiteral("status")}), "Paused");

    // The order, and the wrap round, are the queue's rules.
    playerctl({QStringLiteral("previous")});
    EXPECT_EQ(player()->currentIndex(), 0u);
    playerctl({QStringLiteral("next")});
    EXPECT_EQ(player()->currentIndex(), 1u);

    tick();
    const QString metadata = playerctl({QStringLiteral("metadata"), QStringLiteral("--format"),
                                        QStringLiteral("{{title}}|{{artist}}|{{mpris:artUrl}}")});
    const QStringList parts = metadata.split('|');
    ASSERT_EQ(parts.size(), 3) << metadata.toStdString();
    EXPECT_EQ(parts[0], "b");
    EXPECT_EQ(parts[1], "by b");
    EXPECT_TRUE(parts[2].startsWith("file://")) << parts[2].toStdString();
    EXPECT_TRUE(QFile::exists(QUrl(parts[2]).toLocalFile()));

    player()->CloseTap();
    CarWindow::settle();
    EXPECT_FALSE(player());
    playerctl({QStringLiteral("next")});
    EXPECT_EQ(title(), "");
}

// The newer player publishes; the replaced screen, gone by now, clears nothing of it.
TEST_F(MediaControls, PlayerctlOpenReplacesTheVideoWithAFileOfTheLibraryReportedPlayingWhereItIs)
{
    ASSERT_TRUE(open("a.mp4"));
    playFor(5);
    playerctl({QStringLiteral("open"), fileUrl(trips / "c.mp4").toString()});
    ASSERT_TRUE(player());
    EXPECT_EQ(player()->currentIndex(), 2u);
    playFor(12);
    CarWindow::settle();
    EXPECT_EQ(playerctl({QStringLiteral("status")}), "Playing");
    EXPECT_EQ(title(), "c");
    EXPECT_NEAR(position(), 12.0, 2.0);
}

// Started again from a menu: no second set of windows and no second player on the bus;
// the running one comes forward, the car display connected again. Started with a video,
// it hands the video over.
TEST_F(MediaControls, SecondStartBringsTheRunningOneForwardOrHandsItsVideoOver)
{
    scenes.connectScene(platform::SceneRole::Car);
    CarWindow::settle();
    scenes.disconnectScene(platform::SceneRole::Car); // closed: the car unplugged
    CarWindow::settle();
    ASSERT_FALSE(scenes.isConnected(platform::SceneRole::Car));

    startSecond({});
    for (const platform::SceneRole role : {platform::SceneRole::Car, platform::SceneRole::Phone}) {
        platform::Scene* scene = scenes.scene(role);
        ASSERT_TRUE(scene);
        EXPECT_TRUE(scene->window().isVisible());
    }
    const QStringList names = QDBusConnection::sessionBus().interface()->registeredServiceNames().value();
    EXPECT_EQ(names.filter(QStringLiteral("org.mpris.MediaPlayer2.kavio")), QStringList{mpris->serviceName()});

    startSecond({fileUrl(trips / "c.mp4").toLocalFile()});
    ASSERT_TRUE(player());
    EXPECT_EQ(player()->currentIndex(), 2u);
}

// The desktop counts on while playing; a jump from it or on the slider is announced. A
// position meant for a track no longer playing is stale and ignored.
TEST_F(MediaControls, PlayerctlReadsAndSetsThePositionAndEveryJumpIsAnnouncedAsSeeked)
{
    ASSERT_TRUE(open("b.mp4"));
    playFor(20);
    SeekedRecorder recorder;
    // QtDBus takes the receiving slot by name; there is no function-pointer form.
    ASSERT_TRUE(QDBusConnection::sessionBus().connect({}, platform::MprisService::kObjectPath,
                                                      platform::MprisService::kPlayerInterface, "Seeked",
                                                      &recorder, SLOT(seeked(qlonglong))));
    EXPECT_EQ(playerctl({QStringLiteral("metadata"), QStringLiteral("mpris:length")}), "600000000");
    EXPECT_NEAR(position(), 20.0, 2.0);
    playerctl({QStringLiteral("position"), QStringLiteral("30")});
    EXPECT_EQ(seeks().last(), "seek 30");
    EXPECT_NEAR(position(), 30.0, 2.0);
    playerctl({QStringLiteral("position"), QStringLiteral("10+")});
    EXPECT_EQ(seeks().last(), "seek 40");

    auto* bar = player()->view()->findChild<platform::PlayerControlsBar*>();
    ASSERT_TRUE(bar);
    Q_EMIT bar->seekRequested(90);
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorder.seeks.size() == 3; }, 5000)) << recorder.seeks.size();
    EXPECT_EQ(recorder.seeks, (std::vector<qlonglong>{30'000'000, 40'000'000, 90'000'000}));
    EXPECT_NEAR(position(), 90.0, 2.0);

    const QDBusObjectPath stale = trackPath();
    playerctl({QStringLiteral("next")});
    playFor(5);
    players.last()->clearCalls();
    QDBusInterface remote(QDBusConnection::sessionBus().baseService(), platform::MprisService::kObjectPath,
                          platform::MprisService::kPlayerInterface);
    for (const QDBusObjectPath& track : {stale, trackPath()}) {
        remote.asyncCall(QStringLiteral("SetPosition"), QVariant::fromValue(track), qlonglong(100'000'000));
        CarWindow::settle();
    }
    EXPECT_EQ(seeks(), QStringList{"seek 100"}) << "a stale track id is ignored";
}

} // namespace
} // namespace kavio::app

#include "DBusTest.moc"
