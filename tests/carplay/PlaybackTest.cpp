// The player on the real media stack: two tiny clips made with ffmpeg play one after the
// other and wrap round.

#include "support/CarplayTestSupport.h"

#include "carplay/KavioController.h"

#include <QElapsedTimer>
#include <QStandardPaths>

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

} // namespace
} // namespace kavio::carplay
