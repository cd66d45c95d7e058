// The player view offscreen: fitted video, transport, hiding controls, now-playing state.

#include "platform/media/AudioSession.h"
#include "platform/media/PlayerControlsBar.h"
#include "platform/media/PlayerVideoSurface.h"
#include "platform/media/PlayerView.h"
#include "platform/nowplaying/NowPlayingInfoCenter.h"
#include "platform/testing/FakePlayer.h"
#include "support/MediaTestSupport.h"

#include <QMouseEvent>
#include <QToolButton>
#include <QVideoFrame>
#include <QVideoSink>

#include <gtest/gtest.h>

namespace kavio::platform {
namespace {

// A frame as the sink would get it from a decoder, in one solid colour.
QVideoFrame solidFrame(QSize size, QColor colour)
{
    QVideoFrame frame(QVideoFrameFormat(size, QVideoFrameFormat::Format_BGRA8888));
    frame.map(QVideoFrame::WriteOnly);
    QImage pixels(frame.bits(0), size.width(), size.height(), frame.bytesPerLine(0), QImage::Format_ARGB32);
    pixels.fill(colour);
    frame.unmap();
    return frame;
}

TEST(PlaybackTimeTextTest, ElapsedTruncatesHoursAppearAndUnknownDurationShowsDashes)
{
    EXPECT_EQ(formatPlaybackTime(5.9), "0:05");
    EXPECT_EQ(formatPlaybackTime(3723), "1:02:03");
    EXPECT_EQ(formatPlaybackTime(-4), "0:00");
    EXPECT_EQ(formatRemainingTime(30.2, 90.0), "-1:00");
    EXPECT_EQ(formatRemainingTime(5, std::nullopt), "--:--");
}

class PlayerViewTest : public ::testing::Test {
protected:
    PlayerViewTest()
    {
        AudioSession::shared().setScreenSaverInhibitor(
            std::make_unique<test::RecordingInhibitor>(std::make_shared<test::InhibitorLog>()));
        player.replaceCurrentItem(PlayerItem::create(QUrl::fromLocalFile("/videos/a.mp4")));
        player.setDuration(90.0);
        view.resize(400, 400);
        view.setPlayer(&player);
        view.show();
    }

    FakePlayer player;
    PlayerView view;
};

TEST_F(PlayerViewTest, FramesArePaintedFittedWithBlackBars)
{
    player.videoSink()->setVideoFrame(solidFrame(QSize(160, 90), Qt::red));
    view.setShowsPlaybackControls(false);
    const QImage shot = view.grab().toImage();
    EXPECT_EQ(shot.pixelColor(200, 200), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(200, 20), QColor(Qt::black)); // letterbox above
    EXPECT_EQ(shot.pixelColor(200, 380), QColor(Qt::black)); // and below
}

TEST_F(PlayerViewTest, TheBarStaysOverThePictureNeverOverTheBlackBars)
{
    view.resize(760, 480);
    const QRect whole = view.controlsBar()->geometry();
    EXPECT_TRUE(view.rect().contains(whole)) << "no picture yet: the whole view is the video area";
    // 16:9, cinema, a phone held upright.
    for (const QSize frame : {QSize(640, 360), QSize(1920, 800), QSize(360, 640)}) {
        player.videoSink()->setVideoFrame(solidFrame(frame, Qt::red));
        const QRect bar = view.controlsBar()->geometry();
        const QRect area = view.videoArea();
        EXPECT_EQ(area, aspectFitRect(frame, view.rect()));
        EXPECT_TRUE(area.top() <= bar.top() && bar.bottom() <= area.bottom()) << frame.width() << "x" << frame.height();
        EXPECT_TRUE(view.rect().contains(bar));
        EXPECT_GE(bar.width(), view.controlsBar()->minimumSizeHint().width());
    }
    player.failCurrentItem("the stick was pulled out");
    EXPECT_FALSE(view.videoSurface()->hasFrame()) << "no stale picture";
    EXPECT_EQ(view.controlsBar()->geometry(), whole);
}

TEST_F(PlayerViewTest, ButtonTogglesPlaybackAndLabelsFollowThePlayer)
{
    auto* button = view.controlsBar()->findChild<QToolButton*>();
    button->click();
    EXPECT_TRUE(view.controlsBar()->showsPauseButton());
    player.advanceTime(30.0);
    EXPECT_EQ(view.controlsBar()->elapsedText(), "0:30");
    EXPECT_EQ(view.controlsBar()->remainingText(), "-1:00");
    button->click();
    EXPECT_EQ(player.rate(), 0.0);
}

TEST_F(PlayerViewTest, ControlsHideWhilePlayingAndReturnOnMouseMoveOrPause)
{
    view.setControlsHideDelay(std::chrono::milliseconds(1));
    player.play();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !view.controlsVisible(); }));
    QMouseEvent move(QEvent::MouseMove, QPointF(10, 10), QPointF(10, 10), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.videoSurface(), &move);
    EXPECT_TRUE(view.controlsVisible());
    player.pause();
    QTest::qWait(50);
    EXPECT_TRUE(view.controlsVisible()) << "they stay while paused";
}

TEST_F(PlayerViewTest, NowPlayingStateAndSeeksFollowThePlayer)
{
    NowPlayingInfoCenter& center = NowPlayingInfoCenter::shared();
    std::vector<double> seeks;
    QObject listener;
    QObject::connect(&center, &NowPlayingInfoCenter::seeked, &listener, [&](double s) { seeks.push_back(s); });
    player.play();
    EXPECT_EQ(center.playbackState(), PlaybackState::Playing);
    player.seek(42.0);
    player.pause();
    EXPECT_EQ(center.playbackState(), PlaybackState::Paused);
    view.setPlayer(nullptr);
    EXPECT_EQ(center.playbackState(), PlaybackState::Stopped);
    EXPECT_EQ(seeks, std::vector<double>{42.0});
}

TEST_F(PlayerViewTest, ViewLetsGoOfADestroyedPlayer)
{
    auto shortLived = std::make_unique<FakePlayer>();
    view.setPlayer(shortLived.get());
    shortLived->play();
    shortLived.reset();
    EXPECT_EQ(view.player(), nullptr);
    EXPECT_FALSE(view.controlsBar()->showsPauseButton());
    EXPECT_EQ(NowPlayingInfoCenter::shared().playbackState(), PlaybackState::Stopped);
}

} // namespace
} // namespace kavio::platform
