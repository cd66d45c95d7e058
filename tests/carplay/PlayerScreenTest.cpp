// The car player screen on a fake player, over an offscreen car window with a scratch
// library of three videos and positions, picks and session files of its own. The queue's
// rules are PlayQueue's, the tracks' TrackSelection's (carplay_core_tests), positions and
// sessions the library's (PlayerStateTest); here, the screen's wiring to them and what only
// the screen holds: the commands' restart and session, what it publishes and what closing
// withdraws, its layout and strip, the keys, thumbnails kept at the size drawn, the track
// menus, what plays kept for the car's next start, and entries that cannot play. The
// commands through playerctl are app_dbus_tests'.

#include "support/CarplayTestSupport.h"
#include "support/ScreenChecks.h"

#include "carplay/FailureView.h"
#include "carplay/KavioCollectionViewCell.h"
#include "carplay/KavioController.h"
#include "carplay/PlaybackMemory.h"
#include "carplay/PlayerTracks.h"
#include "library/PlaybackPositions.h"
#include "library/StateFiles.h"
#include "platform/base/NotificationCenter.h"
#include "platform/lists/CellImageView.h"
#include "platform/media/AudioSession.h"
#include "platform/media/PlayerControlsBar.h"
#include "platform/media/PlayerView.h"
#include "platform/media/SubtitleOverlay.h"
#include "platform/media/TrackButton.h"
#include "platform/nowplaying/MprisMetadata.h"
#include "platform/nowplaying/NowPlayingInfoCenter.h"
#include "platform/nowplaying/RemoteCommandCenter.h"
#include "platform/testing/FakePlayer.h"
#include "platform/views/CircleButton.h"

#include <QBuffer>
#include <QMenu>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

namespace kavio::carplay {
namespace {

using platform::CommandStatus;
using platform::NowPlayingInfoCenter;
using platform::RemoteCommandKind;
using test::record;

class PlayerScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        PlaybackMemory::useFile(positionsFile);
        for (const char* name : {"a.mp4", "b.mp4", "c.mp4"})
            kavio::test::writeFile(library.documents() / name, std::string("video ") + name);
    }
    void TearDown() override
    {
        waitForBackgroundSaves();
        waitForStateWrites();
    }

    KavioController* open(RecordList records, std::size_t start)
    {
        return test::presentPlayer(car, library, std::move(records), start);
    }

    platform::FakePlayer& player() { return *factory.last(); }

    QString fileUrl(const std::string& name) const
    {
        return QUrl::fromLocalFile(QString::fromStdString((library.documents() / name).string())).toString();
    }

    // The URLs the player was asked to play, in order, and the seeks.
    QStringList played() { return player().calls().filter(QRegularExpression("^replace ")).replaceInStrings("replace ", ""); }
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

    static CommandStatus command(RemoteCommandKind kind) { return platform::RemoteCommandCenter::shared().dispatch(kind); }

    static void close(KavioController* screen)
    {
        screen->CloseTap();
        test::CarWindow::settle();
    }

    static RecordList abc() { return {record("a"), record("b"), record("c")}; }
    int itemsGiven() { return static_cast<int>(played().size()); }

    test::Library library;
    test::CarWindow car;
    platform::FakePlayerFactory factory;
    kavio::test::ScratchFolder state;
    const std::filesystem::path positionsFile = state / "positions.plist";
};

// A file gone since the listing keeps its place; a tap, also on the entry playing, plays it
// again from the start.
TEST_F(PlayerScreen, DeletedFileStaysInQueueAndStripAndATapOnThePlayingEntryRestartsIt)
{
    std::filesystem::remove(library.documents() / "a.mp4");
    KavioController* screen = open(abc(), 0);
    player().failCurrentItem("no such file");
    EXPECT_EQ(screen->collectionItem()->numberOfItemsInSection(0), 3);
    player().clearCalls();
    screen->didSelectItem(*screen->collectionItem(), platform::IndexPath::forItem(0));
    EXPECT_EQ(player().calls(), (QStringList{"replace " + fileUrl("a.mp4"), "play"}));
}

// Previous after three seconds restarts the entry on the player; Toggle keeps the audio
// session, only Pause ends it.
TEST_F(PlayerScreen, ALatePreviousRestartsTheEntryAndOnlyPauseEndsTheSession)
{
    KavioController* screen = open(abc(), 2);
    player().setCurrentTime(40);
    player().clearCalls();
    EXPECT_EQ(command(RemoteCommandKind::PreviousTrack), CommandStatus::Success);
    EXPECT_EQ(screen->currentIndex(), 2u);
    EXPECT_EQ(player().calls(), (QStringList{"seek 0", "play"}));

    auto& session = platform::AudioSession::shared();
    command(RemoteCommandKind::Play);
    EXPECT_EQ(command(RemoteCommandKind::TogglePlayPause), CommandStatus::Success);
    EXPECT_EQ(player().rate(), 0.0);
    EXPECT_TRUE(session.isActive());
    command(RemoteCommandKind::Pause);
    EXPECT_FALSE(session.isActive());
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

// Where the column and close button sit on each side is CarScreenSizes' (BrowserTest).
class PlayerLayout : public PlayerScreen {
protected:
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

// The order is PlayQueue's; here, that the end of its own item plays the next entry and
// moves the outline, and another player's item ending moves nothing.
TEST_F(PlayerLayout, TwelveEntriesAndTheOutlineMovingAtTheEndOfItsOwnItemOnly)
{
    RecordList twelve;
    for (int i = 0; i < 12; ++i)
        twelve.push_back(record("v" + std::to_string(i)));
    KavioController* screen = open(twelve, 0);
    platform::CollectionView* strip = screen->collectionItem();
    const auto frame = [&](int item) { return strip->frameForItem(platform::IndexPath::forItem(item)); };
    EXPECT_EQ(strip->numberOfItemsInSection(0), 12);
    EXPECT_EQ(frame(0).size(), QSize(30, 30));
    EXPECT_EQ(frame(1).top() - frame(0).top(), 40);
    EXPECT_EQ(outlines(screen)[0], 1.5);
    EXPECT_EQ(outlines(screen)[1], 0);

    auto stranger = platform::PlayerItem::create(QUrl("file:///elsewhere.mp4"));
    platform::NotificationCenter::defaultCenter().post(platform::NotificationName::PlayerItemDidPlayToEnd, stranger.get());
    EXPECT_EQ(screen->currentIndex(), 0u);
    player().finishCurrentItem();
    test::CarWindow::settle();
    EXPECT_EQ(played().last(), fileUrl("v1.mp4"));
    EXPECT_EQ(outlines(screen)[0], 0);
    EXPECT_EQ(outlines(screen)[1], 1.5);
}

// The resume rule is PlaybackPositions' (PlayerStateTest); here, that a video chosen again
// is sought to it, and that an end forgets where the video stood.
TEST_F(PlayerScreen, ChosenAgainItStartsThreeSecondsBeforeWhereItStopped)
{
    KavioController* screen = open(abc(), 1);
    playFor(40);
    close(screen);
    screen = open(abc(), 1);
    EXPECT_EQ(seeks(), QStringList{"seek 37"});

    // Next from the middle of b remembers b; c played to its end starts from the start.
    playFor(20);
    screen->nextTrack();
    player().finishCurrentItem(); // c to its end, then a
    close(screen);
    waitForBackgroundSaves();
    PlaybackPositions saved(positionsFile);
    EXPECT_TRUE(saved.resumeAt(PlaybackItem::file(library.documents() / "b.mp4")));
    EXPECT_FALSE(saved.resumeAt(PlaybackItem::file(library.documents() / "c.mp4")));
}

TEST_F(PlayerScreen, KeysPlayPauseSeekSkipAndCloseAndSpaceNeverCloses)
{
    KavioController* screen = open(abc(), 0);
    playFor(30);
    player().clearCalls();
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

TEST_F(PlayerScreen, ThumbnailsAndArtworkAreKeptAtTheSizeTheyAreDrawnAndOnlyThePlayingEntrysShows)
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
    }
    records[1]->imgData = plist::Bytes(std::string("not a picture"));
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

    // What an entry has is PlayQueue's; a picture that does not decode is left out, and the
    // entry before's never stands in for it.
    player().finishCurrentItem();
    player().advanceTime(0.5);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->title, QString("clip1"));
    EXPECT_FALSE(info->artwork);
}

using platform::TrackKind;

MediaTrack sound(int stream, QLocale::Language language)
{
    MediaTrack t;
    t.stream = stream;
    t.language.language = language;
    return t;
}

class PlayerTracksTest : public PlayerScreen {
protected:
    PlayerTracksTest() : env{{"LC_ALL", std::nullopt}, {"LC_MESSAGES", std::nullopt}, {"LANG", "fr_FR.UTF-8"}} {}

    static platform::TrackButton* button(KavioController* screen, TrackKind kind)
    {
        return screen->controller()->controlsBar()->trackButton(kind);
    }
    static QString subtitlesShown(KavioController* screen)
    {
        platform::SubtitleOverlay* overlay = screen->controller()->subtitleOverlay();
        return overlay->isVisible() ? overlay->text() : QString();
    }
    void at(double seconds)
    {
        player().setCurrentTime(seconds);
        player().seek(seconds);
    }
    static std::optional<PlayerSession> session() { return PlaybackMemory::shared().lastSession(); }

    kavio::test::ScopedEnv env;
};

// Which tracks play is TrackSelection's and the library's (MediaTracksTest); here, that the
// sound follows the system's language, a file beside the video is found off the main
// thread, the menus show the rows and the one playing, and the menu and A and S choose.
TEST_F(PlayerTracksTest, TheMenusShowTheTracksPlayingAndTheMenuAndKeysChooseThem)
{
    kavio::test::writeFile(library.documents() / "a.srt", "1\n00:00:01,000 --> 00:00:03,000\nHello\n");
    kavio::test::writeFile(library.documents() / "a.de.srt", "1\n00:00:01,000 --> 00:00:03,000\nHallo\n");
    KavioController* screen = open(abc(), 0);
    player().listAudioTracks({sound(0, QLocale::English), sound(1, QLocale::French)});
    EXPECT_EQ(player().activeAudioTrack(), 1);
    EXPECT_EQ(button(screen, TrackKind::Audio)->rows(), (QStringList{"English", "French"}));
    press(screen, Qt::Key_A);
    EXPECT_EQ(player().activeAudioTrack(), 0);
    EXPECT_EQ(screen->controller()->noteText(), "Audio: English");
    EXPECT_EQ(button(screen, TrackKind::Audio)->currentRow(), 0);

    platform::TrackButton* menu = button(screen, TrackKind::Subtitles);
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu->rows().size() == 3; }, 5000)) << "looked up off the main thread";
    EXPECT_EQ(menu->rows(), (QStringList{"Off", "a.srt", "German"}));
    EXPECT_EQ(menu->currentRow(), 1) << "a file named like the video, when none is in French";
    at(1.5);
    menu->trackMenu()->actions()[3]->trigger(); // the heading, Off, a.srt, German
    EXPECT_TRUE(QTest::qWaitFor([&] { return subtitlesShown(screen) == "Hallo"; }, 5000));
    press(screen, Qt::Key_S);
    EXPECT_EQ(subtitlesShown(screen), QString());
    EXPECT_EQ(screen->controller()->noteText(), "Subtitles off");

    screen->nextTrack();
    player().listAudioTracks({sound(0, QLocale::English), sound(1, QLocale::French)});
    EXPECT_EQ(player().activeAudioTrack(), 1) << "another video: the system's language";
}

TEST_F(PlayerTracksTest, WhatPlaysIsKeptForTheCarsNextStartUntilThePersonPausesOrClosesIt)
{
    KavioController* screen = open(abc(), 1);
    player().finishCurrentItem();
    ASSERT_TRUE(session());
    EXPECT_EQ(session()->entry, "c.mp4") << "the entry playing now";

    press(screen, Qt::Key_Space);
    EXPECT_EQ(session()->state, PlayerSession::State::Paused);
    press(screen, Qt::Key_Space);
    player().failCurrentItem("the stick was pulled out");
    EXPECT_EQ(session()->state, PlayerSession::State::Playing) << "played on, and only the person pauses";
    press(screen, Qt::Key_Escape);
    EXPECT_EQ(session()->state, PlayerSession::State::Closed);

    // The screen torn down by the system (the car unplugged, another video opened over
    // it): still playing, on disk too.
    open(abc(), 0);
    car.root().dismiss(platform::Animated::No);
    test::CarWindow::settle();
    waitForStateWrites();
    const LastSession onDisk(positionsFile.parent_path() / "playing.plist");
    ASSERT_TRUE(onDisk.session());
    EXPECT_EQ(onDisk.session()->state, PlayerSession::State::Playing);
    EXPECT_EQ(onDisk.session()->entry, "a.mp4");
}

constexpr std::chrono::milliseconds kShortPause{30};

// Entries that cannot play: the reason over the video, the desktop told it stopped, the
// next entry after a pause, and a queue where nothing plays stopping instead of looping.
class FailedEntries : public PlayerScreen {
protected:
    KavioController* open(RecordList records, std::size_t start)
    {
        KavioController* screen = PlayerScreen::open(std::move(records), start);
        screen->setSkipFailedEntryDelay(kShortPause);
        return screen;
    }
    static QString mprisStatus()
    {
        return platform::mprisPlaybackStatus(NowPlayingInfoCenter::shared().playbackState(), true);
    }
    static void waitLongerThanThePause() { QTest::qWait(static_cast<int>(kShortPause.count()) * 5); }
};

// The failed video's resume point survives: a stick pulled out is no reason to forget it.
TEST_F(FailedEntries, ReasonShowsTheDesktopHearsStoppedTheNextEntryFollowsAndThePositionStays)
{
    KavioController* screen = open({record("a"), record("b"), record("c")}, 0);
    EXPECT_EQ(mprisStatus(), "Playing");
    player().setDuration(600);
    player().advanceTime(40);
    player().setCurrentTime(0); // a backend that fails stands at the start
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
    EXPECT_EQ(PlaybackMemory::shared().resumeAt(PlaybackItem::file(library.documents() / "a.mp4")), 37.0);
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

} // namespace
} // namespace kavio::carplay
