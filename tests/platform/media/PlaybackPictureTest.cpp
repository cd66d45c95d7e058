// Real decoding through Qt Multimedia and GStreamer into the video surface: clips made here
// with ffmpeg in one colour, tagged as phones tag them, must be painted in the colour that
// ffmpeg's own exact decoding of the same file gives (the encoding itself moves a level or
// two), within 2 levels per channel.

#include "platform/media/PlayerVideoSurface.h"
#include "platform/media/QtPlayer.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace kavio::platform {
namespace {

struct ClipCase {
    const char* name;
    const char* size;
    const char* matrix;      // ffmpeg's name for the colour matrix written and tagged
    const char* tagMatrix;
    const char* range;       // tv (limited) or pc (full)
    const char* pixelFormat; // yuv422p arrives as Qt's YUV422P
    QColor colour;
};

// 75% cyan and red: mid levels, so a wrong matrix or range shows.
const ClipCase kClips[] = {
    {"HD, BT.709, limited range", "1280x720", "bt709", "bt709", "tv", "yuv420p", QColor(0, 191, 191)},
    {"SD, BT.601, limited range", "640x360", "bt601", "smpte170m", "tv", "yuv420p", QColor(191, 0, 0)},
    {"SD, BT.601, full range", "640x360", "bt601", "smpte170m", "pc", "yuv420p", QColor(0, 191, 191)},
    {"HD, BT.709, 4:2:2", "1280x720", "bt709", "bt709", "tv", "yuv422p", QColor(191, 0, 191)},
};

QString run(const QStringList& arguments, QByteArray* out = nullptr)
{
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", arguments);
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
        return QString::fromUtf8(ffmpeg.readAllStandardError()) + " (ffmpeg failed)";
    if (out)
        *out = ffmpeg.readAllStandardOutput();
    return {};
}

// The centre pixel of the clip's first frame as ffmpeg decodes it, exactly.
QColor referenceCentre(const QString& path, const ClipCase& clip)
{
    const QStringList size = QString::fromLatin1(clip.size).split('x');
    QByteArray rgb;
    const QString error = run({"-v", "error", "-i", path, "-frames:v", "1", "-vf",
                               QStringLiteral("crop=2:2:%1:%2,scale=in_color_matrix=%3:in_range=%4:"
                                              "flags=accurate_rnd+full_chroma_int,format=rgb24")
                                   .arg(size[0].toInt() / 2)
                                   .arg(size[1].toInt() / 2)
                                   .arg(clip.matrix, clip.range),
                               "-f", "rawvideo", "-"},
                              &rgb);
    if (!error.isEmpty() || rgb.size() < 3)
        return {};
    return QColor(static_cast<uchar>(rgb[0]), static_cast<uchar>(rgb[1]), static_cast<uchar>(rgb[2]));
}

TEST(PlaybackPictureTest, ClipsArePaintedInTheirOwnColours)
{
    if (QStandardPaths::findExecutable("ffmpeg").isEmpty())
        GTEST_SKIP() << "ffmpeg is not installed";
    QTemporaryDir dir;
    for (const ClipCase& clip : kClips) {
        const QString path = dir.filePath(QStringLiteral("clip.mp4"));
        ASSERT_EQ(run({"-v", "error", "-y", "-f", "lavfi", "-i",
                       QStringLiteral("color=c=%1:s=%2:r=10").arg(clip.colour.name(), clip.size), "-t", "1", "-vf",
                       QStringLiteral("scale=out_color_matrix=%1:out_range=%2").arg(clip.matrix, clip.range), "-c:v",
                       "libx264", "-pix_fmt", clip.pixelFormat, "-color_range", clip.range, "-colorspace",
                       clip.tagMatrix, path}),
                  QString());
        const QColor want = referenceCentre(path, clip);
        ASSERT_TRUE(want.isValid()) << clip.name;
        EXPECT_LE(std::abs(want.red() - clip.colour.red()) + std::abs(want.blue() - clip.colour.blue()), 6)
            << "the clip itself is near its colour";

        PlayerVideoSurface surface;
        surface.resize(320, 180);
        surface.show();
        QtPlayer player;
        player.setVideoSink(surface.videoSink());
        player.replaceCurrentItem(PlayerItem::create(QUrl::fromLocalFile(path)));
        player.play();
        ASSERT_TRUE(QTest::qWaitFor([&] { return surface.convertedFrameCount() > 0; }, 20000)) << clip.name;
        const QColor got = surface.grab().toImage().pixelColor(160, 90);
        const std::string seen = got.name().toStdString() + " against " + want.name().toStdString();
        EXPECT_LE(std::abs(got.red() - want.red()), 2) << clip.name << " " << seen;
        EXPECT_LE(std::abs(got.green() - want.green()), 2) << clip.name << " " << seen;
        EXPECT_LE(std::abs(got.blue() - want.blue()), 2) << clip.name << " " << seen;
        player.setVideoSink(nullptr);
    }
}

} // namespace
} // namespace kavio::platform
