#include "CarScenes.h"

#include "app/Opener.h"
#include "carplay/PlaybackMemory.h"
#include "library/FolderModel.h"
#include "library/OwnSettings.h"
#include "library/PlaybackPositions.h"
#include "library/StateFiles.h"

namespace kavio::app {
namespace {

namespace fs = std::filesystem;
using carplay::test::CarWindow;
using kavio::test::writeFile;

// The car opens on the library it was made for, and the program's documents follow it; a
// fresh root each time the car connects is the scenes' own rule.
TEST_F(CarScene, ConnectsOnTheDocumentsWithoutACloseButton)
{
    Avatar::shared().setDocumentsDirectory("/somewhere/else");
    scenes.connectScene(platform::SceneRole::Car);
    CarWindow::settle();
    ASSERT_TRUE(root());
    EXPECT_EQ(root()->currentURL(), library.documents());
    EXPECT_EQ(Avatar::shared().documentsDirectory(), library.documents());
    EXPECT_FALSE(root()->hasCloseButton());
}

// What was playing when the car went away, as the car's next start finds it. Which sessions
// go on is the library's rule (sessionToContinue); here that the car asks it, with the
// Support switch as saved, and opens what it answers as a tap would.
TEST_F(CarScene, TheCarGoesOnWithTheVideoThatWasPlayingInItsFolderUnlessTheSwitchIsOff)
{
    // The process's own state and settings: the test binary runs in a scratch home.
    const fs::path trips = library.documents() / "Trips";
    carplay::test::fileRecords(trips, {carplay::test::record("a"), carplay::test::record("b"), carplay::test::record("c")});
    for (const char* name : {"a.mp4", "b.mp4", "c.mp4"})
        writeFile(trips / name, "x");
    const auto remember = [&](ContinueOnStart setting) {
        PlayerSession session;
        session.state = PlayerSession::State::Playing;
        session.folder = trips;
        session.entry = "b.mp4";
        session.key = "kKVb";
        carplay::PlaybackMemory::shared().updateSession(session);
        ASSERT_TRUE(writeContinueOnStart(ownSettingsFile(), setting).isOk());
    };

    remember(ContinueOnStart::On);
    scenes.connectScene(platform::SceneRole::Car);
    CarWindow::settle();
    ASSERT_TRUE(root());
    auto* folder = dynamic_cast<carplay::CRFMController*>(root()->presentedViewController());
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->currentURL(), trips) << "the folder opens as a tap opens it";
    auto* playing = dynamic_cast<carplay::KavioController*>(folder->presentedViewController());
    ASSERT_TRUE(playing);
    EXPECT_EQ(playing->queue().count(), 3u) << "with the same queue";
    EXPECT_EQ(playing->currentIndex(), 1u);
    EXPECT_EQ(players.last()->calls().first(), "replace " + fileUrl(trips / "b.mp4").toString());
    scenes.disconnectScene(platform::SceneRole::Car);
    CarWindow::settle();

    remember(ContinueOnStart::Off);
    const std::size_t made = players.madeCount();
    scenes.connectScene(platform::SceneRole::Car);
    CarWindow::settle();
    ASSERT_TRUE(root());
    EXPECT_FALSE(root()->presentedViewController()) << "the folder list";
    EXPECT_EQ(players.madeCount(), made);
    scenes.disconnectScene(platform::SceneRole::Car);
    CarWindow::settle();

    // A video asked for on the command line wins over going on.
    remember(ContinueOnStart::On);
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

    ASSERT_TRUE(openInCar(scenes, QUrl("https://example.com/live/stream.m3u8")).isOk());
    CarWindow::settle();
    carplay::KavioController* stream = player();
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->queue().count(), 1u);
    EXPECT_EQ(stream->queue().entry(0).FILENAME, "stream.m3u8");
    EXPECT_EQ(players.last()->calls().first(), "replace https://example.com/live/stream.m3u8");
    stream->CloseTap();
    CarWindow::settle();
    EXPECT_EQ(carWindow()->topViewController(), root());
}

TEST_F(CarScene, CommandLineTargets)
{
    writeFile(library.documents() / "clip.MOV", "x");
    writeFile(library.documents() / "notes.txt", "x");
    const std::string clip = (library.documents() / "clip.MOV").string();
    const std::pair<std::string, bool> rows[] = { // the argument, whether it is taken
        {clip, true},
        {"file://" + clip, true},
        {"https://example.com/a.m3u8", true},
        {"http://example.com/a.mp4", true},
        {"ftp://example.com/a.mp4", false},
        {"/no/such/video.mp4", false},
        {(library.documents() / "notes.txt").string(), false},
    };
    for (const auto& [argument, accepted] : rows)
        EXPECT_EQ(targetFromArgument(QString::fromStdString(argument)).isOk(), accepted) << argument;
    EXPECT_FALSE(openInCar(scenes, QUrl("ftp://example.com/a.mp4")).isOk());
    EXPECT_FALSE(scenes.isConnected(platform::SceneRole::Car)); // a refused target changes nothing
}

} // namespace
} // namespace kavio::app
