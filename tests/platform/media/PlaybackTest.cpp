// Real playback through Qt Multimedia and GStreamer of clips made here with ffmpeg, no sound
// card needed: a clip plays to its end and the same file again plays anew; a missing file
// fails; clips in one colour, tagged as phones tag them, are painted in the colour ffmpeg's
// own exact decoding of the same file gives (the encoding itself moves a level or two),
// within 2 levels per channel.

#include "platform/base/NotificationCenter.h"
#include "platform/media/PlayerVideoSurface.h"
#include "platform/media/QtPlayer.h"
#include "support/VideoClips.h"

#include <QStandardPaths>
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
        NotificationCenter::defaultCenter().addObserver(&owner, NotificationName::PlayerItemDidPlayToEnd,
                                                        [this](const Notification& n) { ended.push_back(n.object); });
    }
    // Runs ffmpeg quietly: what it wrote, and on failure what it said; exitCode its status.
    static std::string ffmpeg(const std::string& arguments, int* exitCode)
    {
        return kavio::test::run("ffmpeg -v error -y " + arguments + " 2>&1", exitCode);
    }
    QUrl fileUrl(const std::string& name) { return QUrl::fromLocalFile(QString::fromStdString((dir / name).string())); }

    kavio::test::ScratchFolder dir;
    QObject owner;
    std::vector<const void*> ended;
    QtPlayer player;
};

// The same file again is a new item: it must start over and end on its own account.
TEST_F(PlaybackTest, AClipPlaysToItsEndAndTheSameFileAgainPlaysAndEndsAgain)
{
    ASSERT_TRUE(kavio::test::makeVideoClip(dir / "clip.mp4"));
    const auto first = PlayerItem::create(fileUrl("clip.mp4"));
    const auto again = PlayerItem::create(first->url());
    std::vector<double> times;
    std::optional<double> firstDuration;
    player.addPeriodicTimeObserver(0.5, &owner, [&](double s) { times.push_back(s); });
    NotificationCenter::defaultCenter().addObserver(&owner, NotificationName::PlayerItemDidPlayToEnd,
                                                    [&](const Notification&) {
                                                        if (firstDuration)
                                                            return;
                                                        firstDuration = player.duration();
                                                        player.replaceCurrentItem(again);
                                                        player.play();
                                                    });
    player.replaceCurrentItem(first);
    player.play();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended.size() == 2; }, 2 * kPlaybackTimeoutMs))
        << player.errorString().toStdString();
    EXPECT_EQ(ended, (std::vector<const void*>{first.get(), again.get()}));
    EXPECT_EQ(player.rate(), 0.0);
    EXPECT_NEAR(firstDuration.value_or(0.0), 1.0, 0.1);
    EXPECT_GE(times.size(), 6u); // per clip: start, at least one period, the stop at the end
}

TEST_F(PlaybackTest, MissingFileFailsWithoutEndingOrAdvancing)
{
    QString reported;
    QObject::connect(&player, &Player::failed, &owner, [&](const QString& m) { reported = m; });
    player.replaceCurrentItem(PlayerItem::create(fileUrl("gone.mp4")));
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
        const std::string path = (dir / "clip.mp4").string();
        const std::string size = std::to_string(clip.size.width()) + "x" + std::to_string(clip.size.height());
        int code = -1;
        const std::string made = ffmpeg("-f lavfi -i color=c=" + clip.colour.name().toStdString() + ":s=" + size +
                                            ":r=10 -t 1 -vf scale=out_color_matrix=" + clip.matrix +
                                            ":out_range=" + clip.range + " -c:v libx264 -pix_fmt " +
                                            clip.pixelFormat + " -color_range " + clip.range + " -colorspace " +
                                            clip.tagMatrix + " " + path,
                                        &code);
        ASSERT_EQ(code, 0) << made;
        // The centre pixel of the first frame as ffmpeg decodes it, exactly.
        const std::string crop = std::to_string(clip.size.width() / 2) + ":" + std::to_string(clip.size.height() / 2);
        const std::string rgb = ffmpeg("-i " + path + " -frames:v 1 -vf crop=2:2:" + crop + ",scale=in_color_matrix=" +
                                           clip.matrix + ":in_range=" + clip.range +
                                           ":flags=accurate_rnd+full_chroma_int,format=rgb24 -f rawvideo -",
                                       &code);
        ASSERT_EQ(code, 0) << rgb;
        ASSERT_GE(rgb.size(), 3u);
        const QColor want(static_cast<uchar>(rgb[0]), static_cast<uchar>(rgb[1]), static_cast<uchar>(rgb[2]));
        EXPECT_LE(std::abs(want.red() - clip.colour.red()) + std::abs(want.blue() - clip.colour.blue()), 6)
            << "the clip itself is near its colour";

        PlayerVideoSurface surface;
        surface.resize(320, 180);
        surface.show();
        QtPlayer painting;
        painting.setVideoSink(surface.videoSink());
        painting.replaceCurrentItem(PlayerItem::create(fileUrl("clip.mp4")));
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
