// The player on the real media stack: two tiny clips made with ffmpeg play one after the
// other and wrap round; a clip with two sound tracks plays the one in the system's
// language, and a pick outlives the screen and the state read again; a subtitle file beside
// a clip shows on the drawn picture at its time and is gone after it.

#include "support/CarplayTestSupport.h"

#include "carplay/KavioController.h"
#include "carplay/PlaybackMemory.h"
#include "carplay/PlayerTracks.h"
#include "library/PlaybackPositions.h"
#include "library/StateFiles.h"
#include "platform/media/PlayerView.h"
#include "platform/nowplaying/NowPlayingInfoCenter.h"

#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

namespace kavio::carplay {
namespace {

namespace fs = std::filesystem;

bool ffmpeg(const std::string& arguments)
{
    int code = -1;
    kavio::test::run("ffmpeg -y -loglevel error " + arguments + " 2>&1", &code);
    return code == 0;
}

KavioController* play(test::CarWindow& car, const fs::path& folder, const std::string& title)
{
    PlayQueue::Opening opening;
    opening.DOC_PATH = folder;
    opening.videoPath = folder / (title + ".mp4");
    opening.infos = std::make_shared<const RecordList>(RecordList{test::record(title)});
    auto owned = std::make_unique<KavioController>();
    owned->setOpening(std::move(opening));
    KavioController* screen = owned.get();
    car.root().present(std::move(owned), platform::Animated::No);
    return screen;
}

void close(KavioController* screen)
{
    screen->CloseTap();
    test::CarWindow::settle();
}

bool makeClip(const fs::path& file, const char* colour, double seconds = 0.6)
{
    int code = -1;
    const std::string length = std::to_string(seconds);
    kavio::test::run("ffmpeg -y -loglevel error -f lavfi -i color=c=" + std::string(colour) + ":s=160x120:r=10:d=" +
                         length + " -f lavfi -i sine=d=" + length +
                         " -shortest -c:v libx264 -pix_fmt yuv420p -c:a aac '" + file.string() + "' 2>&1",
                     &code);
    return code == 0 && fs::exists(file);
}

KavioController* openPlayer(test::CarWindow& car, const fs::path& folder, RecordList records, std::size_t start)
{
    PlayQueue::Opening opening;
    opening.DOC_PATH = folder;
    opening.videoPath = folder / (*records[start]->FILENAME + "." + *records[start]->EXTENSION);
    opening.infos = std::make_shared<const RecordList>(std::move(records));
    opening.currentIndex = start;
    auto owned = std::make_unique<KavioController>();
    owned->setOpening(std::move(opening));
    KavioController* screen = owned.get();
    car.root().present(std::move(owned), platform::Animated::No);
    return screen;
}

// Where the real player stands after it has played for a second and a half.
double timeAfterPlaying(platform::Player& player, QObject& owner)
{
    int ticks = 0;
    double last = -1;
    player.addPeriodicTimeObserver(0.5, &owner, [&](double seconds) {
        if (player.rate() != 0) {
            ++ticks;
            last = seconds;
        }
    });
    const bool played = QTest::qWaitFor([&] { return ticks >= 4 || player.status() == platform::PlayerStatus::Failed; }, 20000);
    return played ? last : -1;
}

TEST(RealPlayback, ClipsAdvanceAndWrap)
{
    if (QStandardPaths::findExecutable("ffmpeg").isEmpty())
        GTEST_SKIP() << "ffmpeg is not installed";
    test::Library library;
    ASSERT_TRUE(makeClip(library.documents() / "red.mp4", "red"));
    ASSERT_TRUE(makeClip(library.documents() / "blue.mp4", "blue"));
    test::CarWindow car;

    PlayQueue::Opening opening;
    opening.DOC_PATH = library.documents();
    opening.videoPath = library.documents() / "red.mp4";
    opening.infos = std::make_shared<const RecordList>(RecordList{test::record("red"), test::record("blue")});
    auto owned = std::make_unique<KavioController>();
    owned->setOpening(std::move(opening));
    KavioController* screen = owned.get();
    car.root().present(std::move(owned), platform::Animated::No);

    std::vector<std::size_t> seen{screen->currentIndex()};
    QElapsedTimer timer;
    timer.start();
    while (seen.size() < 3 && timer.elapsed() < 30000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (screen->currentIndex() != seen.back())
            seen.push_back(screen->currentIndex());
    }
    EXPECT_EQ(seen, (std::vector<std::size_t>{0, 1, 0}));
    screen->CloseTap();
    test::CarWindow::settle();
}

// The resume point reaches the media backend: a seek issued before the media can take it
// would be lost and the video would start from its beginning.
TEST(RealPlayback, AVideoChosenAgainStartsWhereItStoppedOnTheRealPlayer)
{
    if (QStandardPaths::findExecutable("ffmpeg").isEmpty())
        GTEST_SKIP() << "ffmpeg is not installed";
    test::Library library;
    kavio::test::ScratchFolder state;
    PlaybackMemory::useFile(state / "positions.plist");
    ASSERT_TRUE(makeClip(library.documents() / "long.mp4", "teal", 40));
    PlaybackMemory::shared().stopped(PlaybackItem::file(library.documents() / "long.mp4"), 20, 40);
    test::CarWindow car;

    // Twice: the second time from where the first one was closed.
    const PlaybackItem item = PlaybackItem::file(library.documents() / "long.mp4");
    for (int attempt = 0; attempt < 2; ++attempt) {
        const std::optional<double> resume = PlaybackMemory::shared().resumeAt(item);
        ASSERT_TRUE(resume);
        KavioController* screen = openPlayer(car, library.documents(), {test::record("long")}, 0);
        ASSERT_TRUE(screen->player());
        QObject owner;
        const double time = timeAfterPlaying(*screen->player(), owner);
        EXPECT_GE(time, *resume) << "attempt " << attempt << ": " << screen->player()->errorString().toStdString();
        EXPECT_LE(time, *resume + 5) << "attempt " << attempt;
        screen->CloseTap();
        test::CarWindow::settle();
        waitForBackgroundSaves();
    }
}

// What people met: a text file named like a video, a removed file and a link that is no
// address, before a real clip. Each says why it cannot play, and the clip plays after them.
TEST(RealPlayback, EntriesThatCannotPlayAreSkippedAndAQueueOfThemStops)
{
    if (QStandardPaths::findExecutable("ffmpeg").isEmpty())
        GTEST_SKIP() << "ffmpeg is not installed";
    test::Library library;
    kavio::test::writeFile(library.documents() / "notes.mp4", "eight bytes of text, not a video");
    ASSERT_TRUE(makeClip(library.documents() / "clip.mp4", "yellow", 5));
    test::CarWindow car;
    const RecordList broken{test::record("notes"), test::record("gone"), test::record("link", "mp4", "not a url")};
    RecordList queue = broken;
    queue.push_back(test::record("clip"));

    KavioController* screen = openPlayer(car, library.documents(), queue, 0);
    screen->setSkipFailedEntryDelay(std::chrono::milliseconds(200));
    QStringList reasons;
    QElapsedTimer timer;
    timer.start();
    while (screen->currentIndex() != 3 && timer.elapsed() < 30000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        const QString shown = screen->failureText().section(u'\n', 1, 1);
        if (!shown.isEmpty() && (reasons.isEmpty() || reasons.last() != shown))
            reasons << shown;
    }
    ASSERT_EQ(screen->currentIndex(), 3u) << reasons.join(" | ").toStdString();
    ASSERT_EQ(reasons.size(), 3) << reasons.join(" | ").toStdString();
    EXPECT_TRUE(reasons[0].startsWith("The file holds no video Kavio can play")) << reasons[0].toStdString();
    EXPECT_EQ(reasons[1], "The file is not there any more.");
    EXPECT_EQ(reasons[2], "“not a url” is not a web address.");
    QObject owner;
    EXPECT_GT(timeAfterPlaying(*screen->player(), owner), 0.5) << screen->failureText().toStdString();
    screen->CloseTap();
    test::CarWindow::settle();

    // The same three alone: tried once each, then it stops and says so.
    screen = openPlayer(car, library.documents(), broken, 0);
    screen->setSkipFailedEntryDelay(std::chrono::milliseconds(200));
    EXPECT_TRUE(QTest::qWaitFor([&] { return screen->failureText().contains("None of the videos here"); }, 30000))
        << screen->failureText().toStdString();
    const std::size_t stoppedAt = screen->currentIndex();
    QTest::qWait(1000);
    EXPECT_EQ(screen->currentIndex(), stoppedAt) << "no second round";
    EXPECT_EQ(platform::NowPlayingInfoCenter::shared().playbackState(), platform::PlaybackState::Stopped);
    screen->CloseTap();
    test::CarWindow::settle();
}

// A file from a stick or an old archive, in a library whose own path is not UTF-8 either:
// the player opens it by its bytes.
TEST(RealPlayback, AClipNamedInBytesThatAreNotUtf8Plays)
{
    if (QStandardPaths::findExecutable("ffmpeg").isEmpty())
        GTEST_SKIP() << "ffmpeg is not installed";
    test::Library library;
    const fs::path folder = library.documents() / "Urlaub\xFF";
    fs::create_directories(folder);
    ASSERT_TRUE(makeClip(library.documents() / "green.mp4", "green"));
    fs::rename(library.documents() / "green.mp4", folder / "caf\xE9.mp4");
    test::CarWindow car;

    PlayQueue::Opening opening;
    opening.DOC_PATH = folder;
    opening.videoPath = folder / "caf\xE9.mp4";
    opening.infos = std::make_shared<const RecordList>(RecordList{test::record("cafe")});
    auto owned = std::make_unique<KavioController>();
    owned->setOpening(std::move(opening));
    KavioController* screen = owned.get();
    car.root().present(std::move(owned), platform::Animated::No);

    platform::Player* player = screen->player();
    ASSERT_TRUE(player);
    EXPECT_TRUE(QTest::qWaitFor([&] { return player->currentTime() > 0.1 || player->status() == platform::PlayerStatus::Failed; }, 20000));
    EXPECT_NE(player->status(), platform::PlayerStatus::Failed) << player->errorString().toStdString();
    EXPECT_GT(player->currentTime(), 0.1);
    screen->CloseTap();
    test::CarWindow::settle();
}

TEST(RealPlayback, TheSoundInTheSystemLanguagePlaysAndAPickOutlivesARestart)
{
    if (QStandardPaths::findExecutable("ffmpeg").isEmpty())
        GTEST_SKIP() << "ffmpeg is not installed";
    const kavio::test::ScopedEnv env{{"LC_ALL", std::nullopt}, {"LC_MESSAGES", std::nullopt}, {"LANG", "fr_FR.UTF-8"}};
    test::Library library;
    kavio::test::ScratchFolder state;
    PlaybackMemory::useFile(state / "positions.plist");
    ASSERT_TRUE(ffmpeg("-f lavfi -i color=c=gray:s=160x120:r=10:d=8 -f lavfi -i sine=f=440:d=8 -f lavfi -i sine=f=880:d=8 "
                       "-map 0:v -map 1:a -map 2:a -c:v libx264 -pix_fmt yuv420p -c:a aac "
                       "-metadata:s:a:0 language=eng -metadata:s:a:1 language=fra '" +
                       (library.documents() / "tour.mp4").string() + "'"));
    test::CarWindow car;

    KavioController* screen = play(car, library.documents(), "tour");
    const auto active = [&] { return screen->player()->activeAudioTrack(); };
    const auto named = [&] { return screen->tracks()->selection().audioRows(); };
    ASSERT_TRUE(QTest::qWaitFor([&] { return named().size() == 2 && active() == 1; }, 20000))
        << named().join(", ").toStdString() << " active " << active();
    EXPECT_EQ(named(), (QStringList{"English", "French"}));
    QTest::keyClick(screen->view(), Qt::Key_A);
    EXPECT_TRUE(QTest::qWaitFor([&] { return active() == 0; }, 5000));
    close(screen);

    waitForStateWrites();
    PlaybackMemory::useFile(state / "positions.plist"); // read again, as a new start reads it
    screen = play(car, library.documents(), "tour");
    ASSERT_TRUE(QTest::qWaitFor([&] { return named().size() == 2; }, 20000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return active() == 0; }, 5000)) << "the English picked for this video";
    close(screen);
    waitForStateWrites();
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

TEST(RealPlayback, ASubtitleFileBesideTheClipShowsOnThePictureAtItsTimeAndGoesAfter)
{
    if (QStandardPaths::findExecutable("ffmpeg").isEmpty())
        GTEST_SKIP() << "ffmpeg is not installed";
    test::Library library;
    kavio::test::ScratchFolder state;
    PlaybackMemory::useFile(state / "positions.plist");
    ASSERT_TRUE(ffmpeg("-f lavfi -i color=c=black:s=320x180:r=10:d=10 -f lavfi -i sine=d=10 -shortest -c:v libx264 "
                       "-pix_fmt yuv420p -c:a aac '" + (library.documents() / "night.mp4").string() + "'"));
    kavio::test::writeFile(library.documents() / "night.srt", "1\n00:00:02,000 --> 00:00:05,000\nHELLO THERE\n");
    test::CarWindow car;

    KavioController* screen = play(car, library.documents(), "night");
    screen->controller()->setShowsPlaybackControls(false); // their white symbols aside
    platform::Player* player = screen->player();
    ASSERT_TRUE(QTest::qWaitFor([&] { return player->currentTime() > 0.3; }, 20000)) << player->errorString().toStdString();
    if (player->currentTime() < 1.5) {
        EXPECT_LT(whiteInLowerThird(screen), 10) << "nothing before the cue";
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return whiteInLowerThird(screen) > 200; }, 20000)) << "the cue's text on the picture";
    EXPECT_GE(player->currentTime(), 1.9);
    EXPECT_LE(player->currentTime(), 5.1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return player->currentTime() > 5.5; }, 20000));
    EXPECT_LT(whiteInLowerThird(screen), 10) << "gone after its end";
    close(screen);
    waitForStateWrites();
}

} // namespace
} // namespace kavio::carplay
