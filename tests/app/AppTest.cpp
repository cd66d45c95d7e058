#include "support/CarplayTestSupport.h"
#include "support/ScreenChecks.h"

#include "app/CarPlaySceneDelegate.h"
#include "app/Opener.h"
#include "app/KVAppDelegate.h"
#include "carplay/CRFMController.h"
#include "carplay/KavioCollectionViewCell.h"
#include "carplay/KavioController.h"
#include "carplay/PlaybackMemory.h"
#include "library/FolderModel.h"
#include "library/OwnSettings.h"
#include "library/PlaybackPositions.h"
#include "library/StateFiles.h"
#include "library/Samples.h"
#include "phone/IPFMController.h"
#include "phone/PhoneStyle.h"
#include "platform/lists/CellImageView.h"
#include "platform/screens/NavigationBar.h"
#include "platform/screens/NavigationController.h"
#include "platform/screens/Scene.h"
#include "platform/testing/FakePlayer.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

namespace kavio::app {
namespace {

namespace fs = std::filesystem;
using carplay::test::CarWindow;
using kavio::test::readFile;
using kavio::test::writeFile;

class CarScene : public ::testing::Test {
protected:
    CarScene()
        : scenes([this](platform::SceneRole) { return std::make_unique<CarPlaySceneDelegate>(library.documents()); })
    {
    }

    carplay::CRFMController* root()
    {
        platform::Scene* scene = scenes.scene(platform::SceneRole::Car);
        return scene ? dynamic_cast<carplay::CRFMController*>(scene->window().rootViewController()) : nullptr;
    }

    carplay::KavioController* player()
    {
        return root() ? dynamic_cast<carplay::KavioController*>(root()->presentedViewController()) : nullptr;
    }
    QUrl fileUrl(const fs::path& path) const { return QUrl::fromLocalFile(QString::fromStdString(path.string())); }

    carplay::test::Library library;
    platform::FakePlayerFactory players;
    platform::SceneManager scenes;
};

TEST_F(CarScene, ConnectsOnDocumentsAndReconnectsAtTheRoot)
{
    fs::create_directories(library.documents() / "Trips");
    Avatar::shared().setDocumentsDirectory("/somewhere/else");
    scenes.connectScene(platform::SceneRole::Car);
    CarWindow::settle();
    ASSERT_TRUE(root());
    EXPECT_EQ(root()->currentURL(), library.documents());
    EXPECT_EQ(Avatar::shared().documentsDirectory(), library.documents());
    EXPECT_FALSE(root()->hasCloseButton());

    root()->present(std::make_unique<carplay::CRFMController>(library.documents() / "Trips", carplay::CloseButton::Shown),
                    platform::Animated::No);
    QPointer<carplay::CRFMController> oldRoot = root();
    scenes.scene(platform::SceneRole::Car)->window().close(); // the car is unplugged
    CarWindow::settle();
    EXPECT_FALSE(scenes.isConnected(platform::SceneRole::Car));
    EXPECT_FALSE(oldRoot);

    scenes.connectScene(platform::SceneRole::Car);
    CarWindow::settle();
    ASSERT_TRUE(root());
    EXPECT_EQ(root()->currentURL(), library.documents());
    EXPECT_FALSE(root()->presentedViewController());
}

// What was playing when the car went away, as the car's next start finds it.
struct ContinueRow {
    const char* name;
    PlayerSession::State state;
    ContinueOnStart setting;
    const char* entry;
    bool continues;
};

TEST_F(CarScene, TheCarGoesOnWithTheVideoThatWasPlayingInItsFolderAndNothingElse)
{
    // The process's own state and settings: the test binary runs in a scratch home.
    const fs::path trips = library.documents() / "Trips";
    carplay::test::fileRecords(trips, {carplay::test::record("a"), carplay::test::record("b"), carplay::test::record("c")});
    for (const char* name : {"a.mp4", "b.mp4", "c.mp4"})
        writeFile(trips / name, "x");

    const auto remember = [&](PlayerSession::State state, const char* entry, ContinueOnStart setting) {
        PlayerSession session;
        session.state = state;
        session.folder = trips;
        session.entry = entry;
        session.key = "kKVb";
        carplay::PlaybackMemory::shared().updateSession(session);
        ASSERT_TRUE(writeContinueOnStart(ownSettingsFile(), setting).isOk());
    };
    const ContinueRow rows[] = {
        {"playing", PlayerSession::State::Playing, ContinueOnStart::On, "b.mp4", true},
        {"paused by the person", PlayerSession::State::Paused, ContinueOnStart::On, "b.mp4", false},
        {"closed by the person", PlayerSession::State::Closed, ContinueOnStart::On, "b.mp4", false},
        {"the switch off", PlayerSession::State::Playing, ContinueOnStart::Off, "b.mp4", false},
        {"the file gone since", PlayerSession::State::Playing, ContinueOnStart::On, "gone.mp4", false},
    };
    for (const ContinueRow& row : rows) {
        remember(row.state, row.entry, row.setting);

        const std::size_t made = players.madeCount();
        scenes.connectScene(platform::SceneRole::Car);
        CarWindow::settle();
        ASSERT_TRUE(root());
        auto* folder = dynamic_cast<carplay::CRFMController*>(root()->presentedViewController());
        auto* player = folder ? dynamic_cast<carplay::KavioController*>(folder->presentedViewController()) : nullptr;
        EXPECT_EQ(player != nullptr, row.continues) << row.name;
        if (row.continues && player) {
            EXPECT_EQ(folder->currentURL(), trips) << "the folder opens as a tap opens it";
            EXPECT_EQ(player->queue().count(), 3u) << "with the same queue";
            EXPECT_EQ(player->currentIndex(), 1u);
            EXPECT_EQ(players.last()->calls().first(), "replace " + fileUrl(trips / "b.mp4").toString());
        } else {
            EXPECT_FALSE(root()->presentedViewController()) << row.name << ": the folder list";
            EXPECT_EQ(players.madeCount(), made) << row.name;
        }
        scenes.disconnectScene(platform::SceneRole::Car);
        CarWindow::settle();
    }

    // A video asked for on the command line wins over going on.
    remember(PlayerSession::State::Playing, "b.mp4", ContinueOnStart::On);
    ASSERT_TRUE(openInCar(scenes, fileUrl(trips / "c.mp4")).isOk());
    CarWindow::settle();
    auto* asked = player();
    ASSERT_TRUE(asked);
    EXPECT_EQ(asked->currentIndex(), 2u);
    EXPECT_FALSE(asked->presentedViewController());
    scenes.disconnectScene(platform::SceneRole::Car);
    CarWindow::settle();
    waitForStateWrites();
    waitForBackgroundSaves();
}

// A video outside the library, in a folder with no store: it plays with its neighbours,
// in the list's order, each titled by its file name. A stream opened next replaces that
// player; closing it shows the library's root.
TEST_F(CarScene, OpeningAFileOutsideTheLibraryPlaysItsFolderAndAStreamReplacesIt)
{
    kavio::test::ScratchFolder elsewhere;
    for (const char* name : {"Dashcam 10.mp4", "Dashcam 9.mp4", "notes.txt", "Dashcam 1.MOV"})
        writeFile(elsewhere / name, "x");
    fs::create_directory(elsewhere / "sub");

    ASSERT_TRUE(openInCar(scenes, fileUrl(elsewhere / "Dashcam 9.mp4")).isOk());
    CarWindow::settle();
    carplay::KavioController* opened = player();
    ASSERT_TRUE(opened);
    std::vector<std::string> titles;
    for (const RecordPtr& r : opened->queue().infos())
        titles.push_back(r->FILENAME.value_or(""));
    EXPECT_EQ(titles, (std::vector<std::string>{"Dashcam 1", "Dashcam 9", "Dashcam 10"}));
    EXPECT_EQ(opened->currentIndex(), 1u);
    EXPECT_EQ(players.last()->calls().first(), "replace " + fileUrl(elsewhere / "Dashcam 9.mp4").toString());
    EXPECT_FALSE(fs::exists(elsewhere / kStoreFileName)) << "nothing is written there";

    // The strip beside it shows the three, each with the video icon: no empty square.
    platform::Window& car = scenes.scene(platform::SceneRole::Car)->window();
    kavio::test::screenshot(car, QStringLiteral("car-opened-outside-library-800x480"));
    const auto cells = opened->collectionItem()->findChildren<carplay::KavioCollectionViewCell*>();
    EXPECT_EQ(cells.size(), 3);
    for (const carplay::KavioCollectionViewCell* cell : cells)
        EXPECT_TRUE(cell->appImageView->hasImage());

    ASSERT_TRUE(openInCar(scenes, QUrl("https://example.com/live/stream.m3u8")).isOk());
    CarWindow::settle();
    carplay::KavioController* stream = player();
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->queue().count(), 1u);
    EXPECT_EQ(stream->queue().entry(0).FILENAME, "stream.m3u8");
    EXPECT_EQ(players.last()->calls().first(), "replace https://example.com/live/stream.m3u8");
    stream->CloseTap();
    CarWindow::settle();
    EXPECT_EQ(car.topViewController(), root());
}

struct ArgumentRow {
    std::string argument;
    bool accepted;
};

TEST_F(CarScene, CommandLineTargets)
{
    writeFile(library.documents() / "clip.MOV", "x");
    writeFile(library.documents() / "notes.txt", "x");
    const std::string clip = (library.documents() / "clip.MOV").string();
    const ArgumentRow rows[] = {
        {clip, true},
        {"file://" + clip, true},
        {"https://example.com/a.m3u8", true},
        {"http://example.com/a.mp4", true},
        {"ftp://example.com/a.mp4", false},
        {"/no/such/video.mp4", false},
        {(library.documents() / "notes.txt").string(), false},
    };
    for (const ArgumentRow& row : rows)
        EXPECT_EQ(targetFromArgument(QString::fromStdString(row.argument)).isOk(), row.accepted) << row.argument;
    EXPECT_FALSE(openInCar(scenes, QUrl("ftp://example.com/a.mp4")).isOk());
    EXPECT_FALSE(scenes.isConnected(platform::SceneRole::Car)); // a refused target changes nothing
}

TEST(Screenshots, RenderEveryCarAndPhoneScreen)
{
    kavio::test::ScratchFolder out;
    int code = -1;
    const std::string printed = kavio::test::run(std::string(KAVIO_APP) + " --screenshots '" + out.path().string() + "' 2>/dev/null", &code);
    ASSERT_EQ(code, 0) << printed;
    for (const char* name : {"car-root", "car-folder", "player-left", "player-right", "phone-movies",
                             "phone-folder-menu", "phone-editor", "phone-support"}) {
        const QImage shot(QString::fromStdString((out / (std::string(name) + ".png")).string()));
        EXPECT_EQ(shot.size(), std::string(name).starts_with("phone") ? QSize(390, 740) : QSize(800, 480)) << name;
    }
}

// The power goes while a video plays: what was last written loads, and is recent. Started
// again, the video goes on from there on the real player, and is killed once more.
TEST(PowerCut, AKillWhilePlayingLeavesAPositionAtMostFiveSecondsOldAndARestartGoesOnFromIt)
{
    if (QStandardPaths::findExecutable("ffmpeg").isEmpty())
        GTEST_SKIP() << "ffmpeg is not installed";
    const kavio::test::ScratchHome scratch; // the program's library, samples and state land here
    const fs::path clip = scratch.path() / "Videos" / "drive.mp4";
    fs::create_directories(clip.parent_path());
    int code = -1;
    kavio::test::run("ffmpeg -y -loglevel error -f lavfi -i color=c=green:s=160x120:r=10:d=90 -f lavfi -i sine=d=90 "
                     "-shortest -c:v libx264 -pix_fmt yuv420p -c:a aac '" + clip.string() + "' 2>&1", &code);
    ASSERT_EQ(code, 0);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent")); // a Kavio of its own
    const fs::path file = scratch.stateHome() / "Kavio" / "positions.plist";
    // Plays the clip until done() holds (or a minute has gone), then pulls the plug: SIGKILL,
    // nothing flushed on the way out.
    const auto playThenKill = [&](const std::function<bool()>& done) {
        QProcess kavio;
        kavio.setProcessEnvironment(env);
        kavio.start(QStringLiteral(KAVIO_APP), {QStringLiteral("--no-phone"), QString::fromStdString(clip.string())});
        EXPECT_TRUE(kavio.waitForStarted());
        QElapsedTimer waited;
        waited.start();
        while (!done() && waited.elapsed() < 60'000 && kavio.state() == QProcess::Running)
            QThread::msleep(100);
        EXPECT_EQ(kavio.state(), QProcess::Running) << kavio.readAllStandardError().toStdString();
        kavio.kill();
        kavio.waitForFinished();
    };

    // Past the minimum that is remembered, whatever a busy machine takes to start.
    const auto resumePoint = [&]() -> std::optional<double> {
        if (!fs::exists(file))
            return std::nullopt;
        return PlaybackPositions(file).resumeAt(PlaybackItem::file(clip));
    };
    playThenKill([&] { return resumePoint() > PlaybackPositions::kMinimumPlayed; });
    const auto killedAt = fs::file_time_type::clock::now();
    EXPECT_TRUE(fs::is_directory(scratch.documents() / kSamplesFolderName)) << "the first run filled the scratch library";
    ASSERT_TRUE(fs::exists(file));
    std::optional<double> first;
    {
        PlaybackPositions positions(file);
        EXPECT_FALSE(positions.setAside()) << "the file loads";
        first = positions.resumeAt(PlaybackItem::file(clip));
    }
    ASSERT_TRUE(first);
    // Written every five seconds while playing; a second's grace for a busy machine.
    EXPECT_LE(killedAt - fs::last_write_time(file), std::chrono::seconds(6));

    // The second run's first write tells where it went on from: begun at the start it
    // would stand under the minimum and forget the entry; going on it stands at least at
    // the point it resumed from.
    const std::string leftByFirst = readFile(file);
    playThenKill([&] { return readFile(file) != leftByFirst; });
    const std::optional<double> second = resumePoint();
    ASSERT_TRUE(second) << "the restart began at the start";
    EXPECT_GE(*second + PlaybackPositions::kResumeBack, *first - 0.5) << "a keyframe's slack at most";
}

} // namespace
} // namespace kavio::app
