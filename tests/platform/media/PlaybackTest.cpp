// Real playback through Qt Multimedia of clips made here with ffmpeg, no sound card needed.

#include "platform/base/NotificationCenter.h"
#include "platform/media/QtPlayer.h"
#include "support/MediaTestSupport.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kavio::platform {
namespace {

constexpr int kPlaybackTimeoutMs = 20000; // a one-second clip; generous for a loaded machine

class PlaybackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable("ffmpeg").isEmpty())
            GTEST_SKIP() << "ffmpeg is not installed";
        ASSERT_TRUE(dir.isValid());
        NotificationCenter::defaultCenter().addObserver(&owner, NotificationName::PlayerItemDidPlayToEnd,
                                                        [this](const Notification& n) { ended.push_back(n.object); });
    }

    // A one-second H.264/AAC clip at 10 frames per second.
    QUrl makeClip(const QString& name)
    {
        const QString path = dir.filePath(name);
        QProcess ffmpeg;
        ffmpeg.start("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=160x120:rate=10",
                                "-f", "lavfi", "-i", "sine", "-t", "1", "-c:v", "libx264", "-pix_fmt",
                                "yuv420p", "-c:a", "aac", path});
        EXPECT_TRUE(ffmpeg.waitForFinished(60000));
        EXPECT_EQ(ffmpeg.exitCode(), 0) << ffmpeg.readAllStandardError().toStdString();
        return QUrl::fromLocalFile(path);
    }

    QTemporaryDir dir;
    QObject owner;
    std::vector<const void*> ended;
    QtPlayer player;
};

TEST_F(PlaybackTest, ClipPlaysToItsEndAndNamesItsItem)
{
    const auto item = PlayerItem::create(makeClip("first.mp4"));
    std::vector<double> times;
    player.addPeriodicTimeObserver(0.5, &owner, [&](double s) { times.push_back(s); });
    player.replaceCurrentItem(item);
    player.play();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ended.empty(); }, kPlaybackTimeoutMs)) << player.errorString().toStdString();
    EXPECT_EQ(ended, std::vector<const void*>{item.get()});
    EXPECT_EQ(player.rate(), 0.0);
    EXPECT_NEAR(player.duration().value_or(0.0), 1.0, 0.1);
    EXPECT_GE(times.size(), 3u); // start, at least one period, the stop at the end
}

// The same file again is a new item: it must start over and end on its own account.
TEST_F(PlaybackTest, QueueAdvancesFromTheEndOfOneClipToTheNextAndToTheSameFileAgain)
{
    const auto first = PlayerItem::create(makeClip("first.mp4"));
    const std::shared_ptr<PlayerItem> queue[] = {PlayerItem::create(makeClip("second.mov")),
                                                 PlayerItem::create(first->url())};
    std::size_t next = 0;
    NotificationCenter::defaultCenter().addObserver(&owner, NotificationName::PlayerItemDidPlayToEnd,
                                                    [&](const Notification&) {
                                                        if (next == std::size(queue))
                                                            return;
                                                        player.replaceCurrentItem(queue[next++]);
                                                        player.play();
                                                    });
    player.replaceCurrentItem(first);
    player.play();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended.size() == 3; }, 3 * kPlaybackTimeoutMs));
    EXPECT_EQ(ended, (std::vector<const void*>{first.get(), queue[0].get(), queue[1].get()}));
}

TEST_F(PlaybackTest, MissingFileFailsWithoutEndingOrAdvancing)
{
    QString reported;
    QObject::connect(&player, &Player::failed, &owner, [&](const QString& m) { reported = m; });
    player.replaceCurrentItem(PlayerItem::create(QUrl::fromLocalFile(dir.filePath("gone.mp4"))));
    player.play();
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.status() == PlayerStatus::Failed; }, kPlaybackTimeoutMs));
    EXPECT_FALSE(reported.isEmpty());
    EXPECT_EQ(player.rate(), 0.0);
    QCoreApplication::processEvents();
    EXPECT_TRUE(ended.empty());
}

} // namespace
} // namespace kavio::platform
