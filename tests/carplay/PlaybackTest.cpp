// The player on the real media stack, with tiny clips made by ffmpeg: entries that cannot
// play are skipped, a file named in bytes that are not UTF-8 plays, the sound in the
// system's language plays and a pick outlives a restart, and a subtitle file shows at its
// time. Clips ending one after the other on the real player are platform_media_playback_tests'
// (PlaybackTest), the screen moving on at its own item's end PlayerLayout's; a resume
// point reaching the real backend is the power-cut tests' (app_tests, app_car_start_tests).

#include "support/CarplayTestSupport.h"

#include "carplay/KavioController.h"
#include "carplay/PlaybackMemory.h"
#include "carplay/PlayerTracks.h"
#include "library/StateFiles.h"
#include "platform/media/PlayerView.h"

#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace kavio::carplay {
namespace {

namespace fs = std::filesystem;
using test::record;

constexpr int kSlowMs = 30000; // a loaded machine's media stack

class RealPlayback : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable("ffmpeg").isEmpty())
            GTEST_SKIP() << "ffmpeg is not installed";
        PlaybackMemory::useFile(state / "positions.plist");
    }
    void TearDown() override
    {
        waitForBackgroundSaves();
        waitForStateWrites();
    }

    // A 160x120 clip of one colour with sound, in the library unless a path is given.
    bool clip(const fs::path& file, const char* colour, double seconds = 0.6, const std::string& more = "")
    {
        const std::string length = std::to_string(seconds);
        return ffmpeg("-f lavfi -i color=c=" + std::string(colour) + ":s=160x120:r=10:d=" + length +
                      " -f lavfi -i sine=d=" + length + more + " -shortest -c:v libx264 -pix_fmt yuv420p -c:a aac '" +
                      file.string() + "'");
    }
    static bool ffmpeg(const std::string& arguments)
    {
        int code = -1;
        kavio::test::run("ffmpeg -y -loglevel error " + arguments + " 2>&1", &code);
        return code == 0;
    }
    // The player on records[0], from its file in the library or from video; nothing runs
    // before the caller sets the screen up.
    KavioController* open(RecordList records, const fs::path& video = {})
    {
        PlayQueue::Opening opening;
        opening.DOC_PATH = video.empty() ? library.documents() : video.parent_path();
        const MovieInfo& first = *records[0];
        opening.videoPath = video.empty() ? opening.DOC_PATH / (*first.FILENAME + "." + *first.EXTENSION) : video;
        opening.infos = std::make_shared<const RecordList>(std::move(records));
        auto owned = std::make_unique<KavioController>();
        owned->setOpening(std::move(opening));
        KavioController* screen = owned.get();
        car.root().present(std::move(owned), platform::Animated::No);
        return screen;
    }
    static void close(KavioController* screen)
    {
        screen->CloseTap();
        test::CarWindow::settle();
    }
    static bool waitFor(const std::function<bool()>& done) { return QTest::qWaitFor(done, kSlowMs); }

    test::Library library;
    kavio::test::ScratchFolder state;
    test::CarWindow car;
};

// What people met: a text file named like a video, a removed file and a link that is no
// address, before a real clip. Each says why it cannot play, and the clip plays after them.
// A queue of them alone stopping is FailedEntries' (carplay_tests): the run is the screen's.
TEST_F(RealPlayback, EntriesThatCannotPlayAreSkipped)
{
    kavio::test::writeFile(library.documents() / "notes.mp4", "eight bytes of text, not a video");
    ASSERT_TRUE(clip(library.documents() / "clip.mp4", "yellow", 5));
    KavioController* screen =
        open({record("notes"), record("gone"), record("link", "mp4", "not a url"), record("clip")});
    screen->setSkipFailedEntryDelay(std::chrono::milliseconds(200));
    QStringList reasons;
    waitFor([&] {
        const QString shown = screen->failureText().section(u'\n', 1, 1);
        if (!shown.isEmpty() && (reasons.isEmpty() || reasons.last() != shown))
            reasons << shown;
        return screen->currentIndex() == 3;
    });
    ASSERT_EQ(reasons.size(), 3) << reasons.join(" | ").toStdString();
    EXPECT_TRUE(reasons[0].startsWith("The file holds no video Kavio can play")) << reasons[0].toStdString();
    EXPECT_EQ(reasons[1], "The file is not there any more.");
    EXPECT_EQ(reasons[2], "“not a url” is not a web address.");
    EXPECT_TRUE(waitFor([&] { return screen->player()->currentTime() > 0.5; })) << screen->failureText().toStdString();
    close(screen);
}

// A file from a stick or an old archive, in a library whose own path is not UTF-8 either.
TEST_F(RealPlayback, AClipNamedInBytesThatAreNotUtf8Plays)
{
    const fs::path folder = library.documents() / "Urlaub\xFF";
    fs::create_directories(folder);
    ASSERT_TRUE(clip(library.documents() / "green.mp4", "green"));
    fs::rename(library.documents() / "green.mp4", folder / "caf\xE9.mp4");
    KavioController* screen = open({record("cafe")}, folder / "caf\xE9.mp4");
    platform::Player* player = screen->player();
    ASSERT_TRUE(player);
    waitFor([&] { return player->currentTime() > 0.1 || player->status() == platform::PlayerStatus::Failed; });
    EXPECT_NE(player->status(), platform::PlayerStatus::Failed) << player->errorString().toStdString();
    EXPECT_GT(player->currentTime(), 0.1);
    close(screen);
}

TEST_F(RealPlayback, TheSoundInTheSystemLanguagePlaysAndAPickOutlivesARestart)
{
    const kavio::test::ScopedEnv env{{"LC_ALL", std::nullopt}, {"LC_MESSAGES", std::nullopt}, {"LANG", "fr_FR.UTF-8"}};
    ASSERT_TRUE(clip(library.documents() / "tour.mp4", "gray", 8,
                     " -f lavfi -i sine=f=880:d=8 -map 0:v -map 1:a -map 2:a -metadata:s:a:0 language=eng "
                     "-metadata:s:a:1 language=fra"));
    KavioController* screen = open({record("tour")});
    const auto active = [&] { return screen->player()->activeAudioTrack(); };
    const auto named = [&] { return screen->tracks()->selection().audioRows(); };
    ASSERT_TRUE(waitFor([&] { return named().size() == 2 && active() == 1; }))
        << named().join(", ").toStdString() << " active " << active();
    EXPECT_EQ(named(), (QStringList{"English", "French"}));
    QTest::keyClick(screen->view(), Qt::Key_A);
    EXPECT_TRUE(waitFor([&] { return active() == 0; }));
    close(screen);

    waitForStateWrites();
    PlaybackMemory::useFile(state / "positions.plist"); // read again, as a new start reads it
    screen = open({record("tour")});
    ASSERT_TRUE(waitFor([&] { return named().size() == 2; }));
    EXPECT_TRUE(waitFor([&] { return active() == 0; })) << "the English picked for this video";
    close(screen);
}

// White pixels of the drawn picture's lower third: subtitles over a black clip.
int whiteInLowerThird(KavioController* screen)
{
    platform::PlayerView* view = screen->controller();
    const QRect picture = view->videoArea();
    const QImage drawn = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const qreal ratio = drawn.devicePixelRatio();
    int white = 0;
    for (int y = picture.top() + picture.height() * 2 / 3; y <= picture.bottom(); ++y) {
        for (int x = picture.left(); x <= picture.right(); ++x) {
            const QColor c = drawn.pixelColor(static_cast<int>(x * ratio), static_cast<int>(y * ratio));
            white += c.red() > 220 && c.green() > 220 && c.blue() > 220;
        }
    }
    return white;
}

TEST_F(RealPlayback, ASubtitleFileBesideTheClipShowsOnThePictureAtItsTimeAndGoesAfter)
{
    ASSERT_TRUE(ffmpeg("-f lavfi -i color=c=black:s=320x180:r=10:d=10 -f lavfi -i sine=d=10 -shortest -c:v libx264 "
                       "-pix_fmt yuv420p -c:a aac '" + (library.documents() / "night.mp4").string() + "'"));
    kavio::test::writeFile(library.documents() / "night.srt", "1\n00:00:02,000 --> 00:00:05,000\nHELLO THERE\n");
    KavioController* screen = open({record("night")});
    screen->controller()->setShowsPlaybackControls(false); // their white symbols aside
    platform::Player* player = screen->player();
    ASSERT_TRUE(waitFor([&] { return player->currentTime() > 0.3; })) << player->errorString().toStdString();
    if (player->currentTime() < 1.5) {
        EXPECT_LT(whiteInLowerThird(screen), 10) << "nothing before the cue";
    }
    ASSERT_TRUE(waitFor([&] { return whiteInLowerThird(screen) > 200; })) << "the cue's text on the picture";
    EXPECT_GE(player->currentTime(), 1.9);
    EXPECT_LE(player->currentTime(), 5.1);
    ASSERT_TRUE(waitFor([&] { return player->currentTime() > 5.5; }));
    EXPECT_LT(whiteInLowerThird(screen), 10) << "gone after its end";
    close(screen);
}

} // namespace
} // namespace kavio::carplay
