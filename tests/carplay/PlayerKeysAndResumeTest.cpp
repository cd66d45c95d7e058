// The car player as people expect it: resume where it stopped, the keys, jumps from the
// desktop, what a replaced screen leaves alone, and thumbnails kept at the size drawn.

#include "support/CarplayTestSupport.h"

#include "carplay/KavioCollectionViewCell.h"
#include "carplay/PlaybackMemory.h"
#include "library/PlaybackPositions.h"
#include "platform/lists/CellImageView.h"
#include "platform/nowplaying/NowPlayingInfoCenter.h"
#include "platform/views/CircleButton.h"
#include "platform/testing/FakePlayer.h"

#include <QBuffer>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

namespace kavio::carplay {
namespace {

using platform::NowPlayingInfoCenter;
using test::record;

class PlayerBehaviour : public ::testing::Test {
protected:
    void SetUp() override
    {
        PlaybackMemory::useFile(positionsFile);
        for (const char* name : {"a.mp4", "b.mp4", "c.mp4"})
            kavio::test::writeFile(library.documents() / name, std::string("video ") + name);
    }
    void TearDown() override { waitForBackgroundSaves(); }

    KavioController* open(RecordList records, std::size_t start)
    {
        return test::presentPlayer(car, library, std::move(records), start);
    }
    platform::FakePlayer& player() { return *factory.last(); }
    QStringList seeks() { return player().calls().filter(QRegularExpression("^seek ")); }
    void press(KavioController* screen, Qt::Key key)
    {
        QTest::keyClick(screen->view(), key);
        test::CarWindow::settle();
    }
    void playFor(double seconds)
    {
        player().setDuration(600);
        player().advanceTime(seconds);
    }
    static RecordList abc() { return {record("a"), record("b"), record("c")}; }

    test::Library library;
    test::CarWindow car;
    platform::FakePlayerFactory factory;
    kavio::test::ScratchFolder state;
    const std::filesystem::path positionsFile = state / "positions.plist";
};

TEST_F(PlayerBehaviour, ChosenAgainItStartsThreeSecondsBeforeWhereItStopped)
{
    KavioController* screen = open(abc(), 1);
    playFor(40);
    screen->CloseTap();
    test::CarWindow::settle();
    open(abc(), 1);
    EXPECT_EQ(seeks(), QStringList{"seek 37"});

    // Next from the middle of b remembers b; a played to its end starts from the start.
    KavioController* again = car.window().topViewController() ? dynamic_cast<KavioController*>(car.window().topViewController()) : nullptr;
    ASSERT_TRUE(again);
    playFor(20);
    again->nextTrack();
    player().finishCurrentItem(); // c to its end, then a
    again->CloseTap();
    test::CarWindow::settle();
    waitForBackgroundSaves();
    PlaybackPositions saved(positionsFile);
    EXPECT_TRUE(saved.resumeAt(PlaybackItem::file(library.documents() / "b.mp4")));
    EXPECT_FALSE(saved.resumeAt(PlaybackItem::file(library.documents() / "c.mp4")));
}

TEST_F(PlayerBehaviour, UnderTenSecondsItStartsFromTheBeginning)
{
    KavioController* screen = open(abc(), 0);
    playFor(8);
    screen->CloseTap();
    test::CarWindow::settle();
    open(abc(), 0);
    EXPECT_TRUE(seeks().isEmpty());
}

TEST_F(PlayerBehaviour, KeysPlayPauseSeekSkipAndCloseAndSpaceNeverCloses)
{
    KavioController* screen = open(abc(), 0);
    playFor(30);
    player().clearCalls();
    ASSERT_EQ(player().rate(), 1.0);
    press(screen, Qt::Key_Space);
    EXPECT_EQ(player().rate(), 0.0);
    EXPECT_FALSE(screen->isClosed()) << "Space pauses, it never closes";
    press(screen, Qt::Key_Space);
    EXPECT_EQ(player().rate(), 1.0);
    press(screen, Qt::Key_Right);
    press(screen, Qt::Key_Left);
    EXPECT_EQ(seeks(), (QStringList{"seek 40", "seek 30"}));
    press(screen, Qt::Key_PageDown);
    EXPECT_EQ(screen->currentIndex(), 1u);
    press(screen, Qt::Key_PageUp); // under 3 seconds in: the one before
    EXPECT_EQ(screen->currentIndex(), 0u);
    press(screen, Qt::Key_MediaNext);
    EXPECT_EQ(screen->currentIndex(), 1u);
    press(screen, Qt::Key_Down);
    press(screen, Qt::Key_Return);
    EXPECT_EQ(screen->currentIndex(), 2u) << "the strip's selection plays";
    EXPECT_EQ(screen->closeButton()->focusPolicy(), Qt::NoFocus);
    press(screen, Qt::Key_Escape);
    EXPECT_TRUE(screen->isClosed());
}

TEST_F(PlayerBehaviour, AJumpFromTheDesktopSeeksAndIsReportedBack)
{
    KavioController* screen = open(abc(), 0);
    playFor(5);
    std::vector<double> seeked;
    QObject::connect(&NowPlayingInfoCenter::shared(), &NowPlayingInfoCenter::seeked, screen,
                     [&](double s) { seeked.push_back(s); });
    EXPECT_EQ(platform::RemoteCommandCenter::shared().changePlaybackPositionCommand().dispatch(120.0),
              platform::CommandStatus::Success);
    EXPECT_EQ(seeks().last(), "seek 120");
    EXPECT_EQ(seeked, std::vector<double>{120.0});
    EXPECT_EQ(NowPlayingInfoCenter::shared().nowPlayingInfo()->playbackDuration, 600.0);
    EXPECT_EQ(NowPlayingInfoCenter::shared().nowPlayingInfo()->elapsedPlaybackTime, 120.0);
}

TEST_F(PlayerBehaviour, AScreenReplacedByANewerOneNeverClearsWhatTheNewerOnePublished)
{
    open(abc(), 0);
    playFor(1);
    // A video handed in from outside: whatever the car shows goes, the new player comes.
    car.root().dismiss(platform::Animated::No);
    open(abc(), 1);
    playFor(31);
    test::CarWindow::settle(); // the old screen is destroyed by now
    const auto& info = NowPlayingInfoCenter::shared().nowPlayingInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->title, "b");
    EXPECT_EQ(info->elapsedPlaybackTime, 31.0);
    EXPECT_EQ(NowPlayingInfoCenter::shared().playbackState(), platform::PlaybackState::Playing);
}

TEST_F(PlayerBehaviour, ThumbnailsAreKeptAtTheSizeTheyAreDrawn)
{
    // Twelve megapixels, as the phone's camera stores them.
    QImage camera(4000, 3000, QImage::Format_RGB32);
    camera.fill(Qt::darkMagenta);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    camera.save(&buffer, "JPEG");
    RecordList records;
    for (int i = 0; i < 30; ++i) {
        auto r = record("clip" + std::to_string(i));
        r->imgData = plist::Bytes(jpeg.toStdString());
        records.push_back(r);
        kavio::test::writeFile(library.documents() / ("clip" + std::to_string(i) + ".mp4"), "x");
    }
    KavioController* screen = open(records, 0);
    const int side = static_cast<int>(KavioCollectionViewCell::kSide * screen->view()->devicePixelRatioF());
    int shown = 0;
    for (QObject* child : screen->collectionItem()->findChildren<KavioCollectionViewCell*>()) {
        auto* cell = static_cast<KavioCollectionViewCell*>(child);
        if (cell->appImageView->hasImage()) {
            EXPECT_LE(cell->appImageView->imageSize().height(), side);
            ++shown;
        }
    }
    EXPECT_GT(shown, 0);
    // The artwork is made off the main thread and published when ready.
    ASSERT_TRUE(QTest::qWaitFor([] {
        const auto& info = NowPlayingInfoCenter::shared().nowPlayingInfo();
        return info && info->artwork;
    }, 5000));
    const auto& info = NowPlayingInfoCenter::shared().nowPlayingInfo();
    ASSERT_TRUE(info && info->artwork);
    EXPECT_LE(std::max(info->artwork->width(), info->artwork->height()), 512);
    EXPECT_TRUE(info->artworkPng && info->artworkPng->startsWith("\x89PNG"));
}

} // namespace
} // namespace kavio::carplay
