// The car player screen on a fake player, over an offscreen car window with a scratch
// library of three videos and positions, picks and session files of its own: wired to its
// queue and the system's commands, what it publishes and what closing withdraws, its
// layout, resuming where a video stopped, the keys, thumbnails kept at the size drawn; the
// sound in the system's language, subtitle files beside the video and each pick kept for
// the video; what plays kept for the car's next start; and entries that cannot play. Jumps
// from the desktop and a screen replaced from outside are tried through playerctl
// (app_dbus_tests).

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

// The order itself is PlayQueue's (carplay_core_tests); here, that each end of its own
// item plays on, and another player's item ending moves nothing.
TEST_F(PlayerScreen, AnEndedItemPlaysTheNextEntrysFileOrStreamAndWraps)
{
    const QString live = QStringLiteral("https://example.com/live.m3u8");
    kavio::test::writeFile(library.documents() / "Live.mp4", ""); // the stream's placeholder, never played
    KavioController* screen = open({record("clip"), record("Live", "mp4", live.toStdString())}, 1);
    auto stranger = platform::PlayerItem::create(QUrl("file:///elsewhere.mp4"));
    platform::NotificationCenter::defaultCenter().post(platform::NotificationName::PlayerItemDidPlayToEnd, stranger.get());
    EXPECT_EQ(screen->currentIndex(), 1u);
    player().finishCurrentItem();
    player().finishCurrentItem();
    EXPECT_EQ(played(), (QStringList{live, fileUrl("clip.mp4"), live}));
    EXPECT_EQ(player().calls().count("play"), 3);
}

TEST_F(PlayerScreen, DeletedFileStaysInQueueAndStripAndATapOnThePlayingEntryRestartsIt)
{
    for (const char* name : {"a.mp4", "b.mp4", "c.mp4"})
        std::filesystem::remove(library.documents() / name);
    KavioController* screen = open(abc(), 0);
    EXPECT_EQ(screen->collectionItem()->numberOfItemsInSection(0), 3);
    player().failCurrentItem("no such file");
    EXPECT_EQ(screen->currentIndex(), 0u); // not at once: its reason shows first
    screen->didSelectItem(*screen->collectionItem(), platform::IndexPath::forItem(1));
    EXPECT_EQ(played().last(), fileUrl("b.mp4"));
    player().clearCalls();
    screen->didSelectItem(*screen->collectionItem(), platform::IndexPath::forItem(1));
    EXPECT_EQ(player().calls(), (QStringList{"replace " + fileUrl("b.mp4"), "play"}));
}

// The previous-track rule is PlayQueue's; here, that the commands reach it with the time.
TEST_F(PlayerScreen, CommandsMoveTheQueueOrRestartTheEntryAndOnlyPauseEndsTheSession)
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

    // Toggle keeps the audio session, Pause ends it.
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

// Chosen again, a video starts three seconds before where it stopped; under ten seconds
// in, from the beginning.
TEST_F(PlayerScreen, ChosenAgainItStartsThreeSecondsBeforeWhereItStopped)
{
    KavioController* screen = open(abc(), 0);
    playFor(8);
    close(screen);
    screen = open(abc(), 0);
    EXPECT_TRUE(seeks().isEmpty()) << "under ten seconds in: from the beginning";
    close(screen);
    screen = open(abc(), 1);
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

TEST_F(PlayerTracksTest, TheSoundFollowsTheSystemLanguageThenTheKeyAndThePickStaysWithTheVideo)
{
    KavioController* screen = open(abc(), 0);
    player().listAudioTracks({sound(0, QLocale::English), sound(1, QLocale::French)});
    EXPECT_EQ(player().activeAudioTrack(), 1);
    EXPECT_EQ(button(screen, TrackKind::Audio)->rows(), (QStringList{"English", "French"}));
    EXPECT_EQ(button(screen, TrackKind::Audio)->currentRow(), 1);

    press(screen, Qt::Key_A);
    EXPECT_EQ(player().activeAudioTrack(), 0);
    EXPECT_EQ(screen->controller()->noteText(), "Audio: English");
    EXPECT_EQ(button(screen, TrackKind::Audio)->currentRow(), 0);
    close(screen);

    screen = open(abc(), 0);
    player().listAudioTracks({sound(0, QLocale::English), sound(1, QLocale::French)});
    EXPECT_EQ(player().activeAudioTrack(), 0) << "picked for this video";
    screen->nextTrack();
    player().listAudioTracks({sound(0, QLocale::English), sound(1, QLocale::French)});
    EXPECT_EQ(player().activeAudioTrack(), 1) << "another video: the system's language";
}

TEST_F(PlayerTracksTest, SubtitleFilesBesideTheVideoShowAndTheMenuAndSKeyChooseThem)
{
    kavio::test::writeFile(library.documents() / "a.srt", "1\n00:00:01,000 --> 00:00:03,000\nHello\n");
    kavio::test::writeFile(library.documents() / "a.de.srt", "1\n00:00:01,000 --> 00:00:03,000\nHallo\n");
    kavio::test::writeFile(library.documents() / "b.fr.srt", "1\n00:00:01,000 --> 00:00:03,000\nBonjour\n");
    KavioController* screen = open(abc(), 0);
    platform::TrackButton* menu = button(screen, TrackKind::Subtitles);
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu->rows().size() == 3; }, 5000)) << "looked up off the main thread";
    EXPECT_EQ(menu->rows(), (QStringList{"Off", "a.srt", "German"}));
    EXPECT_EQ(menu->currentRow(), 1) << "a file named like the video, when none is in French";
    at(1.5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return subtitlesShown(screen) == "Hello"; }, 5000));

    menu->trackMenu()->actions()[3]->trigger(); // the heading, Off, a.srt, German
    EXPECT_TRUE(QTest::qWaitFor([&] { return subtitlesShown(screen) == "Hallo"; }, 5000));
    press(screen, Qt::Key_S);
    EXPECT_EQ(subtitlesShown(screen), QString());
    EXPECT_EQ(screen->controller()->noteText(), "Subtitles off");
    close(screen);

    screen = open(abc(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return button(screen, TrackKind::Subtitles)->rows().size() == 3; }, 5000));
    EXPECT_EQ(button(screen, TrackKind::Subtitles)->currentRow(), 0) << "off, as picked";
    screen->nextTrack();
    ASSERT_TRUE(QTest::qWaitFor([&] { return button(screen, TrackKind::Subtitles)->rows().size() == 2; }, 5000));
    at(2.0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return subtitlesShown(screen) == "Bonjour"; }, 5000)) << "French, as the system";
}

TEST_F(PlayerTracksTest, WhatPlaysIsKeptForTheCarsNextStartUntilThePersonPausesOrClosesIt)
{
    KavioController* screen = open(abc(), 1);
    ASSERT_TRUE(session());
    EXPECT_EQ(session()->state, PlayerSession::State::Playing);
    EXPECT_EQ(session()->entry, "b.mp4");
    player().finishCurrentItem();
    EXPECT_EQ(session()->entry, "c.mp4");

    press(screen, Qt::Key_Space);
    EXPECT_EQ(session()->state, PlayerSession::State::Paused);
    press(screen, Qt::Key_Space);
    EXPECT_EQ(session()->state, PlayerSession::State::Playing);
    player().failCurrentItem("the stick was pulled out");
    EXPECT_EQ(session()->state, PlayerSession::State::Playing) << "only the person pauses";
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
    KavioController* screen = open({record("a"), record("b")}, 0);
    player().setDuration(600);
    player().advanceTime(40);
    player().setCurrentTime(0); // a backend that fails stands at the start
    player().failCurrentItem("Resource not found.");
    waitLongerThanThePause();
    EXPECT_EQ(screen->currentIndex(), 1u);
    EXPECT_EQ(PlaybackMemory::shared().resumeAt(PlaybackItem::file(library.documents() / "a.mp4")), 37.0);
    close(screen);
}

} // namespace
} // namespace kavio::carplay
