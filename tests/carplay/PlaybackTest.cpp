// The player on the real media stack: two tiny clips made with ffmpeg play one after the
// other and wrap round.

#include "support/CarplayTestSupport.h"

#include "carplay/KavioController.h"

#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

namespace kavio::carplay {
namespace {

namespace fs = std::filesystem;

bool makeClip(const fs::path& file, const char* colour)
{
    int code = -1;
    kavio::test::run("ffmpeg -y -loglevel error -f lavfi -i color=c=" + std::string(colour) +
                         ":s=160x120:r=10:d=0.6 -f lavfi -i sine=d=0.6 -shortest -c:v libx264 -pix_fmt yuv420p -c:a aac '" +
                         file.string() + "' 2>&1",
                     &code);
    return code == 0 && fs::exists(file);
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

} // namespace
} // namespace kavio::carplay
