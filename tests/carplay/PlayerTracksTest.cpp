// The player screen's tracks and session on a fake player: the sound in the system's
// language, subtitle files beside the video, the control bar's menus and the A and S keys,
// each pick kept for the video; and what plays kept for the car's next start until the
// person pauses or closes it.

#include "PlayerScreenFixture.h"

#include "carplay/PlayerTracks.h"
#include "platform/media/PlayerControlsBar.h"
#include "platform/media/PlayerView.h"
#include "platform/media/SubtitleOverlay.h"
#include "platform/media/TrackButton.h"

#include <QMenu>

namespace kavio::carplay {
namespace {

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
    EXPECT_EQ(session()->folder, library.documents());
    EXPECT_EQ(session()->entry, "b.mp4");
    EXPECT_EQ(session()->key, "kKVb");
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

} // namespace
} // namespace kavio::carplay
