// The car player screen: wired to its queue and the system's commands, what it publishes
// and what closing withdraws, its layout, resuming where a video stopped, the keys, jumps
// from the desktop, and thumbnails kept at the size drawn.

#include "PlayerScreenFixture.h"

#include "carplay/KavioCollectionViewCell.h"
#include "carplay/PlaybackMemory.h"
#include "library/PlaybackPositions.h"
#include "platform/base/NotificationCenter.h"
#include "platform/lists/CellImageView.h"
#include "platform/media/AudioSession.h"
#include "platform/media/PlayerView.h"
#include "platform/nowplaying/NowPlayingInfoCenter.h"
#include "platform/testing/FakePlayer.h"
#include "platform/views/CircleButton.h"

#include <QBuffer>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

namespace kavio::carplay {
namespace {

using platform::CommandStatus;
using platform::NowPlayingInfoCenter;
using platform::RemoteCommandKind;
using test::record;

// The order itself is PlayQueue's (carplay_core_tests); here, that each end plays on.
TEST_F(PlayerScreen, AnEndedItemPlaysTheNextEntrysFileOrStreamAndWraps)
{
    const QString live = QStringLiteral("https://example.com/live.m3u8");
    kavio::test::writeFile(library.documents() / "Live.mp4", ""); // the stream's placeholder, never played
    open({record("clip"), record("Live", "mp4", live.toStdString())}, 1);
    player().finishCurrentItem();
    player().finishCurrentItem();
    EXPECT_EQ(played(), (QStringList{live, fileUrl("clip.mp4"), live}));
    EXPECT_EQ(player().calls().count("play"), 3);
}

TEST_F(PlayerScreen, DeletedFileStaysInQueueAndStrip)
{
    for (const char* name : {"a.mp4", "b.mp4", "c.mp4"})
        std::filesystem::remove(library.documents() / name);
    KavioController* screen = open(abc(), 0);
    EXPECT_EQ(screen->collectionItem()->numberOfItemsInSection(0), 3);
    player().failCurrentItem("no such file");
    EXPECT_EQ(screen->currentIndex(), 0u); // not at once: its reason shows first
    screen->didSelectItem(*screen->collectionItem(), platform::IndexPath::forItem(1));
    EXPECT_EQ(played().last(), fileUrl("b.mp4"));
}

TEST_F(PlayerScreen, StripTapOnThePlayingEntryRestartsIt)
{
    KavioController* screen = open(abc(), 1);
    player().clearCalls();
    screen->didSelectItem(*screen->collectionItem(), platform::IndexPath::forItem(1));
    EXPECT_EQ(player().calls(), (QStringList{"replace " + fileUrl("b.mp4"), "play"}));
}

TEST_F(PlayerScreen, OnlyItsOwnItemEndingAdvances)
{
    KavioController* screen = open(abc(), 0);
    auto stranger = platform::PlayerItem::create(QUrl("file:///elsewhere.mp4"));
    platform::NotificationCenter::defaultCenter().post(platform::NotificationName::PlayerItemDidPlayToEnd, stranger.get());
    EXPECT_EQ(screen->currentIndex(), 0u);
}

// The previous-track rule is PlayQueue's; here, that the commands reach it with the time.
TEST_F(PlayerScreen, NextAndPreviousCommandsMoveTheQueueOrRestartTheEntry)
{
    KavioController* screen = open(abc(), 2);
    EXPECT_EQ(command(RemoteCommandKind::NextTrack), CommandStatus::Success);
    EXPECT_EQ(screen->currentIndex(), 0u);
    EXPECT_EQ(played().last(), fileUrl("a.mp4"));
    player().setCurrentTime(1.0);
    EXPECT_EQ(command(RemoteCommandKind::PreviousTrack), CommandStatus::Success);
    EXPECT_EQ(screen->currentIndex(), 2u);
    player().setCurrentTime(40);
    player().clearCalls();
    EXPECT_EQ(command(RemoteCommandKind::PreviousTrack), CommandStatus::Success);
    EXPECT_EQ(screen->currentIndex(), 2u);
    EXPECT_EQ(player().calls(), (QStringList{"seek 0", "play"}));
}

TEST_F(PlayerScreen, ToggleKeepsTheSessionPauseEndsIt)
{
    open(abc(), 0);
    auto& session = platform::AudioSession::shared();
    EXPECT_EQ(command(RemoteCommandKind::Play), CommandStatus::Success);
    EXPECT_TRUE(session.isActive());

    EXPECT_EQ(command(RemoteCommandKind::TogglePlayPause), CommandStatus::Success);
    EXPECT_EQ(player().rate(), 0.0);
    EXPECT_TRUE(session.isActive());
    command(RemoteCommandKind::TogglePlayPause);
    EXPECT_EQ(player().rate(), 1.0);

    command(RemoteCommandKind::Pause);
    EXPECT_EQ(player().rate(), 0.0);
    EXPECT_FALSE(session.isActive());
}

TEST_F(PlayerScreen, NowPlayingPublishesWhatTheEntryHas)
{
    RecordPtr bare = record("bare");
    bare->ARTIST.reset();
    bare->imgData = plist::Bytes(std::string("not a picture"));
    open({record("full"), bare}, 0);

    player().advanceTime(1.0);
    const auto& info = platform::NowPlayingInfoCenter::shared().nowPlayingInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->title, QString("full"));
    EXPECT_EQ(info->artist, QString("by full"));
    EXPECT_TRUE(info->artwork);
    EXPECT_NEAR(*info->elapsedPlaybackTime, 1.0, 0.01);

    player().finishCurrentItem();
    player().advanceTime(0.5);
    const auto& second = platform::NowPlayingInfoCenter::shared().nowPlayingInfo();
    EXPECT_EQ(second->title, QString("bare"));
    EXPECT_FALSE(second->artist);
    EXPECT_FALSE(second->artwork);
}

TEST_F(PlayerScreen, CloseWithdrawsEveryRegistration)
{
    KavioController* screen = open(abc(), 0);
    QPointer<platform::FakePlayer> fake = &player();
    QPointer<KavioController> alive = screen;
    const std::size_t observersBefore = platform::NotificationCenter::defaultCenter().observerCount();

    close(screen);
    EXPECT_FALSE(alive);
    EXPECT_FALSE(fake); // the player is gone with its registrations
    for (RemoteCommandKind kind : {RemoteCommandKind::Play, RemoteCommandKind::Pause, RemoteCommandKind::TogglePlayPause,
                                   RemoteCommandKind::NextTrack, RemoteCommandKind::PreviousTrack})
        EXPECT_EQ(command(kind), CommandStatus::NoHandler);
    EXPECT_LT(platform::NotificationCenter::defaultCenter().observerCount(), observersBefore);
    EXPECT_FALSE(platform::NowPlayingInfoCenter::shared().nowPlayingInfo());
    EXPECT_FALSE(platform::AudioSession::shared().isInhibitingScreenSaver());
    EXPECT_EQ(car.window().topViewController(), &car.root());
}

class PlayerLayout : public PlayerScreen {
protected:
    static QRect frameIn(const QWidget* widget, const QWidget* ancestor)
    {
        return QRect(widget->mapTo(ancestor, QPoint(0, 0)), widget->size());
    }

    // Border widths of the strip's cells on screen, by item.
    static std::map<int, qreal> outlines(KavioController* screen)
    {
        std::map<int, qreal> out;
        for (const platform::IndexPath& path : screen->collectionItem()->indexPathsForVisibleItems()) {
            auto* cell = dynamic_cast<KavioCollectionViewCell*>(screen->collectionItem()->cellForItem(path));
            if (cell)
                out[path.row] = cell->appImageView->borderWidth();
        }
        return out;
    }
};

TEST_F(PlayerLayout, CloseButtonStripAndVideoFollowTheDrivingSide)
{
    struct Row {
        bool rightHand;
        QRect close, strip, video; // the close button's ring 5 from the corner, the strip ends 10 above the bottom
    };
    for (const Row& row : {Row{false, {0, 0, 40, 40}, {0, 40, 40, 430}, {40, 0, 760, 480}},
                           Row{true, {760, 0, 40, 40}, {760, 40, 40, 430}, {0, 0, 760, 480}}}) {
        library.setRightHandDrive(row.rightHand);
        KavioController* screen = open(abc(), 0);
        QWidget* view = screen->view();
        ASSERT_EQ(view->size(), QSize(800, 480));
        EXPECT_EQ(screen->dock_style(), row.rightHand);
        EXPECT_EQ(frameIn(screen->closeButton(), view), row.close);
        EXPECT_EQ(frameIn(screen->collectionItem(), view), row.strip);
        EXPECT_EQ(frameIn(screen->controller(), view), row.video);
        close(screen);
    }
}

TEST_F(PlayerLayout, TwelveEntriesAndTheMovingOutline)
{
    RecordList twelve;
    for (int i = 0; i < 12; ++i)
        twelve.push_back(record("v" + std::to_string(i)));
    KavioController* screen = open(twelve, 0);
    platform::CollectionView* strip = screen->collectionItem();
    EXPECT_EQ(strip->numberOfItemsInSection(0), 12);
    EXPECT_EQ(strip->frameForItem(platform::IndexPath::forItem(0)).size(), QSize(30, 30));
    EXPECT_EQ(strip->frameForItem(platform::IndexPath::forItem(1)).top() - strip->frameForItem(platform::IndexPath::forItem(0)).top(), 40);

    EXPECT_EQ(outlines(screen)[0], 1.5);
    EXPECT_EQ(outlines(screen)[1], 0);
    player().finishCurrentItem();
    test::CarWindow::settle();
    EXPECT_EQ(outlines(screen)[0], 0);
    EXPECT_EQ(outlines(screen)[1], 1.5);

    for (int i = 1; i < 12; ++i)
        player().finishCurrentItem();
    test::CarWindow::settle();
    EXPECT_EQ(screen->currentIndex(), 0u);
    EXPECT_EQ(outlines(screen)[0], 1.5);
}

TEST_F(PlayerScreen, ChosenAgainItStartsThreeSecondsBeforeWhereItStopped)
{
    KavioController* screen = open(abc(), 1);
    playFor(40);
    close(screen);
    open(abc(), 1);
    EXPECT_EQ(seeks(), QStringList{"seek 37"});

    // Next from the middle of b remembers b; a played to its end starts from the start.
    KavioController* again = car.window().topViewController() ? dynamic_cast<KavioController*>(car.window().topViewController()) : nullptr;
    ASSERT_TRUE(again);
    playFor(20);
    again->nextTrack();
    player().finishCurrentItem(); // c to its end, then a
    close(again);
    waitForBackgroundSaves();
    PlaybackPositions saved(positionsFile);
    EXPECT_TRUE(saved.resumeAt(PlaybackItem::file(library.documents() / "b.mp4")));
    EXPECT_FALSE(saved.resumeAt(PlaybackItem::file(library.documents() / "c.mp4")));
}

TEST_F(PlayerScreen, UnderTenSecondsItStartsFromTheBeginning)
{
    KavioController* screen = open(abc(), 0);
    playFor(8);
    close(screen);
    open(abc(), 0);
    EXPECT_TRUE(seeks().isEmpty());
}

TEST_F(PlayerScreen, KeysPlayPauseSeekSkipAndCloseAndSpaceNeverCloses)
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

TEST_F(PlayerScreen, AJumpFromTheDesktopSeeksAndIsReportedBack)
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

TEST_F(PlayerScreen, AScreenReplacedByANewerOneNeverClearsWhatTheNewerOnePublished)
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

TEST_F(PlayerScreen, ThumbnailsAreKeptAtTheSizeTheyAreDrawn)
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
