// The video surface offscreen: frames converted at the drawn size, from the window's thread
// or another one, painted in order, and skipped only when a newer one is due.

#include "platform/media/PlayerVideoSurface.h"

#include <QTest>
#include <QVideoFrame>
#include <QVideoSink>

#include <gtest/gtest.h>

#include <thread>

namespace kavio::platform {
namespace {

// A 16:9 frame in one colour, stamped with its presentation time.
QVideoFrame frameOf(QColor colour, qint64 startUs = -1, QSize size = {160, 90})
{
    QVideoFrame frame(QVideoFrameFormat(size, QVideoFrameFormat::Format_BGRA8888));
    frame.map(QVideoFrame::WriteOnly);
    QImage pixels(frame.bits(0), size.width(), size.height(), frame.bytesPerLine(0), QImage::Format_ARGB32);
    pixels.fill(colour);
    frame.unmap();
    frame.setStartTime(startUs);
    return frame;
}

class PlayerVideoSurfaceTest : public ::testing::Test {
protected:
    PlayerVideoSurfaceTest()
    {
        surface.resize(320, 180);
        surface.show();
    }

    QColor centre() { return surface.grab().toImage().pixelColor(160, 90); }

    PlayerVideoSurface surface;
};

TEST_F(PlayerVideoSurfaceTest, AWindowThatKeepsUpShowsEveryFrame)
{
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue};
    for (int i = 0; i < 3; ++i) {
        surface.videoSink()->setVideoFrame(frameOf(colours[i], i * 33'333));
        EXPECT_EQ(centre(), colours[i]);
    }
    EXPECT_EQ(surface.shownFrameCount(), 3);
    EXPECT_EQ(surface.droppedFrameCount(), 0);
}

TEST_F(PlayerVideoSurfaceTest, FramesThatComeWhileTheWindowIsBusyShowOnlyTheNewestDueOne)
{
    surface.videoSink()->setVideoFrame(frameOf(Qt::red, 0));
    surface.videoSink()->setVideoFrame(frameOf(Qt::green, 33'333));
    surface.videoSink()->setVideoFrame(frameOf(Qt::blue, 66'667));
    EXPECT_EQ(centre(), QColor(Qt::blue));
    EXPECT_EQ(surface.shownFrameCount(), 1);
    EXPECT_EQ(surface.droppedFrameCount(), 2);
}

TEST_F(PlayerVideoSurfaceTest, FramesFromTheDecodersThreadReachTheWindow)
{
    std::thread decoder([this] { surface.videoSink()->setVideoFrame(frameOf(Qt::magenta, 0, {1920, 1080})); });
    decoder.join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return surface.hasFrame(); }));
    EXPECT_EQ(surface.frameSize(), QSize(1920, 1080));
    EXPECT_EQ(surface.pictureRect(), QRect(0, 0, 320, 180));
    EXPECT_EQ(centre(), QColor(Qt::magenta));
}

// A paused picture must not stay blurred after the window grows: it is converted again.
TEST_F(PlayerVideoSurfaceTest, ThePictureIsConvertedAgainForANewSize)
{
    surface.videoSink()->setVideoFrame(frameOf(Qt::red, 0, {1920, 1080}));
    EXPECT_EQ(surface.convertedFrameCount(), 1);
    surface.resize(640, 360);
    ASSERT_TRUE(QTest::qWaitFor([&] { return surface.convertedFrameCount() == 2; }));
    EXPECT_EQ(surface.grab().toImage().pixelColor(320, 180), QColor(Qt::red));
}

TEST_F(PlayerVideoSurfaceTest, AHiddenSurfaceConvertsNothingUntilItIsShownAgain)
{
    surface.hide();
    surface.videoSink()->setVideoFrame(frameOf(Qt::red, 0));
    EXPECT_TRUE(surface.hasFrame());
    EXPECT_EQ(surface.convertedFrameCount(), 0);
    surface.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return surface.convertedFrameCount() == 1; }));
    EXPECT_EQ(centre(), QColor(Qt::red));
}

TEST_F(PlayerVideoSurfaceTest, AnEmptyFrameOrClearLeavesNoPicture)
{
    surface.videoSink()->setVideoFrame(frameOf(Qt::red, 0));
    surface.videoSink()->setVideoFrame(QVideoFrame());
    EXPECT_FALSE(surface.hasFrame());
    EXPECT_EQ(centre(), QColor(Qt::black));
    surface.videoSink()->setVideoFrame(frameOf(Qt::red, 0));
    surface.clear();
    EXPECT_FALSE(surface.hasFrame());
    EXPECT_EQ(centre(), QColor(Qt::black));
}

} // namespace
} // namespace kavio::platform
