// Real playback through Qt Multimedia and GStreamer of clips made here with ffmpeg, no sound
// card needed: clips play to their end and the queue advances; clips in one colour, tagged as
// phones tag them, are painted in the colour ffmpeg's own exact decoding of the same file gives
// (the encoding itself moves a level or two), within 2 levels per channel.

#include "platform/base/NotificationCenter.h"
#include "platform/media/PlayerVideoSurface.h"
#include "platform/media/QtPlayer.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

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

    // Runs ffmpeg quietly: what it printed on failure, else nothing.
    static QString ffmpeg(QStringList arguments, QByteArray* out = nullptr)
    {
        QProcess process;
        process.start("ffmpeg", QStringList{"-v", "error", "-y"} + arguments);
        if (!process.waitForFinished(60000) || process.exitCode() != 0)
            return QString::fromUtf8(process.readAllStandardError()) + " (ffmpeg failed)";
        if (out)
            *out = process.readAllStandardOutput();
        return {};
    }

    // A one-second H.264/AAC clip at 10 frames per second.
    QUrl makeClip(const QString& name)
    {
        const QString path = dir.filePath(name);
        EXPECT_EQ(ffmpeg({"-f", "lavfi", "-i", "testsrc=size=160x120:rate=10", "-f", "lavfi", "-i", "sine", "-t", "1",
                          "-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac", path}),
                  QString());
        return QUrl::fromLocalFile(path);
    }

    QTemporaryDir dir;
    QObject owner;
    std::vector<const void*> ended;
    QtPlayer player;
};

// The same file again is a new item: it must start over and end on its own account.
TEST_F(PlaybackTest, ClipsPlayToTheirEndAndTheQueueAdvancesToTheNextAndToTheSameFileAgain)
{
    const auto first = PlayerItem::create(makeClip("first.mp4"));
    const std::shared_ptr<PlayerItem> queue[] = {PlayerItem::create(makeClip("second.mov")),
                                                 PlayerItem::create(first->url())};
    std::vector<double> times;
    std::optional<double> firstDuration;
    player.addPeriodicTimeObserver(0.5, &owner, [&](double s) { times.push_back(s); });
    std::size_t next = 0;
    NotificationCenter::defaultCenter().addObserver(&owner, NotificationName::PlayerItemDidPlayToEnd,
                                                    [&](const Notification&) {
                                                        if (next == 0)
                                                            firstDuration = player.duration();
                                                        if (next == std::size(queue))
                                                            return;
                                                        player.replaceCurrentItem(queue[next++]);
                                                        player.play();
                                                    });
    player.replaceCurrentItem(first);
    player.play();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended.size() == 3; }, 3 * kPlaybackTimeoutMs))
        << player.errorString().toStdString();
    EXPECT_EQ(ended, (std::vector<const void*>{first.get(), queue[0].get(), queue[1].get()}));
    EXPECT_EQ(player.rate(), 0.0);
    EXPECT_NEAR(firstDuration.value_or(0.0), 1.0, 0.1);
    EXPECT_GE(times.size(), 9u); // per clip: start, at least one period, the stop at the end
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

TEST_F(PlaybackTest, ClipsArePaintedInTheirOwnColours)
{
    // 75% cyan, red, magenta: mid levels, so a wrong matrix or range shows. yuv422p arrives as
    // Qt's YUV422P; ffmpeg names the matrix it writes and the one it tags differently.
    const struct {
        const char* name;
        QSize size;
        const char *matrix, *tagMatrix, *range, *pixelFormat;
        QColor colour;
    } clips[] = {
        {"HD, BT.709, limited range", {1280, 720}, "bt709", "bt709", "tv", "yuv420p", QColor(0, 191, 191)},
        {"SD, BT.601, limited range", {640, 360}, "bt601", "smpte170m", "tv", "yuv420p", QColor(191, 0, 0)},
        {"SD, BT.601, full range", {640, 360}, "bt601", "smpte170m", "pc", "yuv420p", QColor(0, 191, 191)},
        {"HD, BT.709, 4:2:2", {1280, 720}, "bt709", "bt709", "tv", "yuv422p", QColor(191, 0, 191)},
    };
    for (const auto& clip : clips) {
        SCOPED_TRACE(clip.name);
        const QString path = dir.filePath(QStringLiteral("clip.mp4"));
        const QString size = QStringLiteral("%1x%2").arg(clip.size.width()).arg(clip.size.height());
        ASSERT_EQ(
            ffmpeg({"-f", "lavfi", "-i", QStringLiteral("color=c=%1:s=%2:r=10").arg(clip.colour.name(), size), "-t",
                    "1", "-vf", QStringLiteral("scale=out_color_matrix=%1:out_range=%2").arg(clip.matrix, clip.range),
                    "-c:v", "libx264", "-pix_fmt", clip.pixelFormat, "-color_range", clip.range, "-colorspace",
                    clip.tagMatrix, path}),
            QString());
        // The centre pixel of the first frame as ffmpeg decodes it, exactly.
        QByteArray rgb;
        ASSERT_EQ(ffmpeg({"-i", path, "-frames:v", "1", "-vf",
                          QStringLiteral("crop=2:2:%1:%2,scale=in_color_matrix=%3:in_range=%4:"
                                         "flags=accurate_rnd+full_chroma_int,format=rgb24")
                              .arg(clip.size.width() / 2)
                              .arg(clip.size.height() / 2)
                              .arg(clip.matrix, clip.range),
                          "-f", "rawvideo", "-"},
                         &rgb),
                  QString());
        ASSERT_GE(rgb.size(), 3);
        const QColor want(static_cast<uchar>(rgb[0]), static_cast<uchar>(rgb[1]), static_cast<uchar>(rgb[2]));
        EXPECT_LE(std::abs(want.red() - clip.colour.red()) + std::abs(want.blue() - clip.colour.blue()), 6)
            << "the clip itself is near its colour";

        PlayerVideoSurface surface;
        surface.resize(320, 180);
        surface.show();
        QtPlayer painting;
        painting.setVideoSink(surface.videoSink());
        painting.replaceCurrentItem(PlayerItem::create(QUrl::fromLocalFile(path)));
        painting.play();
        ASSERT_TRUE(QTest::qWaitFor([&] { return surface.convertedFrameCount() > 0; }, kPlaybackTimeoutMs));
        const QColor got = surface.grab().toImage().pixelColor(160, 90);
        EXPECT_LE(std::max({std::abs(got.red() - want.red()), std::abs(got.green() - want.green()),
                            std::abs(got.blue() - want.blue())}),
                  2)
            << got.name().toStdString() << " against " << want.name().toStdString();
        painting.setVideoSink(nullptr);
    }
}

} // namespace
} // namespace kavio::platform
