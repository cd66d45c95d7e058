// Entries that cannot play: the reason over the video, the desktop told it stopped, the
// next entry after a pause, and a queue where nothing plays stopping instead of looping.

#include "support/CarplayTestSupport.h"
#include "support/ScreenChecks.h"

#include "carplay/FailureView.h"
#include "carplay/PlaybackMemory.h"
#include "library/PlaybackPositions.h"
#include "platform/nowplaying/MprisMetadata.h"
#include "platform/nowplaying/NowPlayingInfoCenter.h"
#include "platform/testing/FakePlayer.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace kavio::carplay {
namespace {

using platform::NowPlayingInfoCenter;
using platform::PlaybackState;
using test::record;

constexpr std::chrono::milliseconds kShortPause{30};

class FailedEntries : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"a.mp4", "b.mp4", "c.mp4"})
            kavio::test::writeFile(library.documents() / name, "not really a video");
    }
    KavioController* open(RecordList records, std::size_t start)
    {
        KavioController* screen = test::presentPlayer(car, library, std::move(records), start);
        screen->setSkipFailedEntryDelay(kShortPause);
        return screen;
    }
    platform::FakePlayer& player() { return *factory.last(); }
    int itemsGiven() { return static_cast<int>(player().calls().filter(QRegularExpression("^replace ")).size()); }
    static QString mprisStatus()
    {
        return platform::mprisPlaybackStatus(NowPlayingInfoCenter::shared().playbackState(), true);
    }
    static void waitLongerThanThePause() { QTest::qWait(static_cast<int>(kShortPause.count()) * 5); }

    test::Library library;
    test::CarWindow car;
    platform::FakePlayerFactory factory;
};

TEST_F(FailedEntries, ReasonShowsTheDesktopHearsStoppedAndTheNextEntryFollows)
{
    KavioController* screen = open({record("a"), record("b"), record("c")}, 0);
    EXPECT_EQ(mprisStatus(), "Playing");
    player().failCurrentItem("Could not determine type of stream.");
    EXPECT_EQ(screen->failureText(),
              "This video can't be played\nThe file holds no video Kavio can play. (Could not determine type of "
              "stream.)\nThe next video starts in a moment.");
    EXPECT_EQ(mprisStatus(), "Stopped");
    EXPECT_EQ(screen->currentIndex(), 0u) << "the reason shows first";
    // Read at a glance on the car's 800 by 480 panel: whole, and white on the dark.
    kavio::test::screenshot(car.window(), "player-failed");
    EXPECT_EQ(kavio::test::cutTexts(*screen->failureView()), std::vector<std::string>());
    EXPECT_EQ(kavio::test::lowContrastTexts(car.window(), 7.0), std::vector<std::string>());

    waitLongerThanThePause();
    EXPECT_EQ(screen->currentIndex(), 1u);
    EXPECT_TRUE(screen->failureText().isEmpty());
    EXPECT_EQ(mprisStatus(), "Playing");
    EXPECT_EQ(player().calls().last(), "play");
}

// Whatever Kavio can tell for itself it says in its own words.
TEST_F(FailedEntries, ReasonsKavioCanTellItself)
{
    std::filesystem::remove(library.documents() / "b.mp4");
    kavio::test::writeFile(library.documents() / "c.mp4", "");
    RecordPtr link = record("Live", "mp4", "not a url");
    KavioController* screen = open({record("a"), record("b"), record("c"), link}, 1);
    player().failCurrentItem("Resource not found.");
    EXPECT_TRUE(screen->failureText().contains("The file is not there any more.")) << screen->failureText().toStdString();

    screen->didSelectItem(*screen->collectionItem(), platform::IndexPath::forItem(2));
    player().failCurrentItem("Internal data stream error.");
    EXPECT_TRUE(screen->failureText().contains("The file is empty.")) << screen->failureText().toStdString();

    // A link that is no address is never handed to the player at all.
    const int given = itemsGiven();
    screen->didSelectItem(*screen->collectionItem(), platform::IndexPath::forItem(3));
    EXPECT_TRUE(screen->failureText().contains("“not a url” is not a web address.")) << screen->failureText().toStdString();
    EXPECT_EQ(player().calls().filter("replace").last(), "replace none");
    EXPECT_EQ(itemsGiven(), given + 1);
    EXPECT_EQ(mprisStatus(), "Stopped");
}

// Nothing here plays: each entry is tried once, then the player stops with the message.
TEST_F(FailedEntries, AQueueWhereNothingPlaysStopsInsteadOfLooping)
{
    KavioController* screen = open({record("a"), record("b"), record("c")}, 1);
    for (int i = 0; i < 3; ++i) {
        player().failCurrentItem("Could not determine type of stream.");
        waitLongerThanThePause();
    }
    EXPECT_EQ(screen->currentIndex(), 0u) << "b, c, a: each once";
    EXPECT_TRUE(screen->failureText().endsWith("None of the videos here can be played.")) << screen->failureText().toStdString();
    const int given = itemsGiven();
    waitLongerThanThePause();
    EXPECT_EQ(itemsGiven(), given) << "no second round";
    EXPECT_EQ(mprisStatus(), "Stopped");

    // A person may still choose one: an entry that plays starts a new run.
    screen->didSelectItem(*screen->collectionItem(), platform::IndexPath::forItem(2));
    EXPECT_TRUE(screen->failureText().isEmpty());
    player().advanceTime(1);
    player().failCurrentItem("Internal data stream error.");
    EXPECT_TRUE(screen->failureText().endsWith("The next video starts in a moment.")) << screen->failureText().toStdString();
}

// The failed video's resume point survives: a stick pulled out is no reason to forget it.
TEST_F(FailedEntries, AFailureKeepsWhereTheVideoStood)
{
    kavio::test::ScratchFolder state;
    PlaybackMemory::useFile(state / "positions.plist");
    KavioController* screen = open({record("a"), record("b")}, 0);
    player().setDuration(600);
    player().advanceTime(40);
    player().setCurrentTime(0); // a backend that fails stands at the start
    player().failCurrentItem("Resource not found.");
    waitLongerThanThePause();
    EXPECT_EQ(screen->currentIndex(), 1u);
    EXPECT_EQ(PlaybackMemory::shared().resumeAt(PlaybackItem::file(library.documents() / "a.mp4")), 37.0);
    screen->CloseTap();
    test::CarWindow::settle();
    waitForBackgroundSaves();
}

} // namespace
} // namespace kavio::carplay
