// The player view offscreen: the video surface's frames (converted at the drawn size, from
// any thread, skipped only when a newer one is due), the fitted picture, transport, hiding
// controls, now-playing state; subtitles shown at their time, stacked when they overlap,
// drawn once per change (never per frame), bottom centre within 90 % of the picture's width,
// above the controls while they show; the track menus; embedded subtitle text.

#include "platform/media/PlayerView.h"
#include "platform/media/AudioSession.h"
#include "platform/media/MediaProbe.h"
#include "platform/media/PlayerControlsBar.h"
#include "platform/media/PlayerVideoSurface.h"
#include "platform/media/SubtitleOverlay.h"
#include "platform/media/TrackButton.h"
#include "platform/nowplaying/NowPlayingInfoCenter.h"
#include "platform/testing/FakePlayer.h"
#include "support/MediaTestSupport.h"

#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>
#include <QVideoFrame>
#include <QVideoSink>

#include <gtest/gtest.h>

#include <thread>

namespace kavio::platform {
namespace {

using subtitles::Cue;

// A frame as the sink would get it from a decoder, in one colour, stamped with its time.
QVideoFrame frameOf(QColor colour, qint64 startUs = -1, QSize size = {160, 90})
{
    QVideoFrame frame(QVideoFrameFormat(size, QVideoFrameFormat::Format_BGRA8888));
    frame.map(QVideoFrame::WriteOnly);
    QImage(frame.bits(0), size.width(), size.height(), frame.bytesPerLine(0), QImage::Format_ARGB32).fill(colour);
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

// Which frame a busy window shows is the pacer's rule; here, that the surface follows it.
TEST_F(PlayerVideoSurfaceTest, AFrameFromTheDecodersThreadShowsABusyWindowOnlyTheNewestAndAnEmptyOneNone)
{
    std::thread decoder([this] { surface.videoSink()->setVideoFrame(frameOf(Qt::magenta, 0, {1920, 1080})); });
    decoder.join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return surface.hasFrame(); }));
    EXPECT_EQ(surface.pictureRect(), QRect(0, 0, 320, 180));
    EXPECT_EQ(centre(), QColor(Qt::magenta));
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue};
    for (int i = 0; i < 3; ++i) // no paint between them
        surface.videoSink()->setVideoFrame(frameOf(colours[i], 100'000 + i * 33'333));
    EXPECT_EQ(centre(), QColor(Qt::blue));
    EXPECT_EQ(surface.shownFrameCount(), 2);
    EXPECT_EQ(surface.droppedFrameCount(), 2);
    surface.videoSink()->setVideoFrame(QVideoFrame());
    EXPECT_FALSE(surface.hasFrame());
    EXPECT_EQ(centre(), QColor(Qt::black));
}

// A paused picture must not stay blurred after the window grows: it is converted again.
TEST_F(PlayerVideoSurfaceTest, AHiddenSurfaceConvertsNothingAndANewSizeConvertsAgain)
{
    surface.hide();
    surface.videoSink()->setVideoFrame(frameOf(Qt::red, 0, {1920, 1080}));
    EXPECT_TRUE(surface.hasFrame());
    EXPECT_EQ(surface.convertedFrameCount(), 0);
    surface.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return surface.convertedFrameCount() == 1; }));
    surface.resize(640, 360);
    ASSERT_TRUE(QTest::qWaitFor([&] { return surface.convertedFrameCount() == 2; }));
    EXPECT_EQ(surface.grab().toImage().pixelColor(320, 180), QColor(Qt::red));
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
        view.resize(760, 480);
        view.setPlayer(&player);
        view.show();
    }

    void showCues(std::vector<Cue> cues)
    {
        player.videoSink()->setVideoFrame(frameOf(QColor(128, 128, 128), -1, {640, 360}));
        view.setSubtitles(std::make_shared<const subtitles::CueTimeline>(std::move(cues)));
    }
    static Cue cue(int from, int to, std::vector<std::string> lines, bool italic = false, bool bold = false)
    {
        Cue made{subtitles::Milliseconds(from), subtitles::Milliseconds(to), {}};
        for (std::string& line : lines)
            made.lines.push_back({{std::move(line), italic, bold}});
        return made;
    }
    void at(double seconds)
    {
        player.setCurrentTime(seconds);
        player.seek(seconds);
    }
    SubtitleOverlay& overlay() { return *view.subtitleOverlay(); }

    FakePlayer player;
    PlayerView view;
};

TEST_F(PlayerViewTest, FramesArePaintedFittedWithBlackBarsAndTheBarStaysOverThePicture)
{
    const QRect whole = view.controlsBar()->geometry();
    EXPECT_TRUE(view.rect().contains(whole)) << "no picture yet: the whole view is the video area";
    // 16:9, cinema, a phone held upright.
    for (const QSize frame : {QSize(640, 360), QSize(1920, 800), QSize(360, 640)}) {
        player.videoSink()->setVideoFrame(frameOf(Qt::red, -1, frame));
        const QRect bar = view.controlsBar()->geometry();
        const QRect area = view.videoArea();
        EXPECT_EQ(area, aspectFitRect(frame, view.rect()));
        EXPECT_TRUE(area.top() <= bar.top() && bar.bottom() <= area.bottom()) << frame.width() << "x" << frame.height();
        EXPECT_TRUE(view.rect().contains(bar));
        EXPECT_GE(bar.width(), view.controlsBar()->minimumSizeHint().width());
    }
    view.setShowsPlaybackControls(false);
    const QImage shot = view.grab().toImage(); // the upright picture: black bars left and right
    EXPECT_EQ(shot.pixelColor(380, 240), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(20, 240), QColor(Qt::black));
    EXPECT_EQ(shot.pixelColor(740, 240), QColor(Qt::black));
    view.setShowsPlaybackControls(true);
    player.failCurrentItem("the stick was pulled out");
    EXPECT_FALSE(view.videoSurface()->hasFrame()) << "no stale picture";
    EXPECT_EQ(view.controlsBar()->geometry(), whole);
}

TEST_F(PlayerViewTest, ButtonTogglesPlaybackAndNowPlayingAndSeeksFollowThePlayerUntilItIsGone)
{
    NowPlayingInfoCenter& center = NowPlayingInfoCenter::shared();
    std::vector<double> seeks;
    QObject::connect(&center, &NowPlayingInfoCenter::seeked, &view, [&](double s) { seeks.push_back(s); });
    auto* button = view.controlsBar()->findChild<QToolButton*>();
    button->click();
    EXPECT_TRUE(view.controlsBar()->showsPauseButton());
    EXPECT_EQ(center.playbackState(), PlaybackState::Playing);
    player.advanceTime(30.0);
    EXPECT_EQ(view.controlsBar()->elapsedText(), "0:30");
    EXPECT_EQ(view.controlsBar()->remainingText(), "-1:00");
    player.seek(42.0);
    button->click();
    EXPECT_EQ(player.rate(), 0.0);
    EXPECT_EQ(center.playbackState(), PlaybackState::Paused);
    EXPECT_EQ(seeks, std::vector<double>{42.0});
    view.setPlayer(nullptr);
    EXPECT_EQ(center.playbackState(), PlaybackState::Stopped);

    auto shortLived = std::make_unique<FakePlayer>();
    view.setPlayer(shortLived.get());
    shortLived->play();
    shortLived.reset();
    EXPECT_EQ(view.player(), nullptr) << "the view lets go of a destroyed player";
    EXPECT_FALSE(view.controlsBar()->showsPauseButton());
    EXPECT_EQ(center.playbackState(), PlaybackState::Stopped);
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

TEST_F(PlayerViewTest, CuesShowAtTheirTimeStackUpWhenTheyOverlapAndGoAfter)
{
    showCues({cue(1000, 3000, {"First"}), cue(2000, 4000, {"Second", "two lines"})});
    at(1.0);
    EXPECT_TRUE(overlay().isVisible());
    EXPECT_EQ(overlay().text(), "First");
    at(2.5);
    EXPECT_EQ(overlay().text(), "Second\ntwo lines\nFirst") << "the earliest lowest";
    at(4.0);
    EXPECT_FALSE(overlay().isVisible()) << "a cue ends where its end time starts";
    at(1.5); // a jump back
    EXPECT_EQ(overlay().text(), "First");
}

TEST_F(PlayerViewTest, PlayingMovesOnAtTheCuesOwnTimesAndFramesNeverRedrawTheText)
{
    showCues({cue(0, 400, {"Now"}), cue(400, 800, {"Then"})});
    player.play();
    EXPECT_EQ(overlay().text(), "Now");
    const int renders = overlay().renderCount();
    for (int i = 0; i < 10; ++i)
        player.videoSink()->setVideoFrame(frameOf(Qt::gray, -1, {640, 360}));
    player.advanceTime(0.1); // within the cue: the half-second ticks change nothing
    EXPECT_EQ(overlay().renderCount(), renders);
    // The view wakes itself at the next change, between the player's ticks.
    player.setCurrentTime(0.45);
    EXPECT_TRUE(QTest::qWaitFor([&] { return overlay().text() == "Then"; }, 2000));
    EXPECT_EQ(overlay().renderCount(), renders + 1);
}

TEST_F(PlayerViewTest, SubtitlesSitBottomCentreWithinTheWidthAboveTheControlsInTheirStyle)
{
    const std::string longLine(40, 'W');
    showCues({cue(0, 10000, {longLine + " " + longLine})});
    at(1.0);
    const QRect picture = view.videoArea();
    const QRect text = overlay().geometry();
    EXPECT_GE(overlay().pixelSize(), picture.height() * 0.05);
    EXPECT_LE(text.width(), picture.width() * SubtitleOverlay::kWidthShare + overlay().pixelSize() / 2.0)
        << "wrapped; the outline may reach a little further";
    EXPECT_GT(text.height(), overlay().pixelSize() * 2) << "on more than one line";
    EXPECT_LE(std::abs(text.center().x() - picture.center().x()), 1);
    ASSERT_TRUE(view.controlsVisible());
    EXPECT_LT(text.bottom(), view.controlsBar()->geometry().top());

    view.setShowsPlaybackControls(false);
    const QRect low = overlay().geometry();
    EXPECT_GT(low.bottom(), text.bottom()) << "down to the picture's foot once the bar is gone";
    EXPECT_LE(low.bottom(), picture.bottom());
    // A dark edge round the letters, over the grey picture; the letters' white is tried over a
    // real clip (the car's PlaybackTest).
    const QImage shot = view.grab().toImage();
    int dark = 0;
    for (int y = low.top(); y <= low.bottom(); ++y)
        for (int x = low.left(); x <= low.right(); ++x)
            dark += shot.pixelColor(x, y).lightness() < 40;
    EXPECT_GT(dark, 100);
    EXPECT_EQ(shot.pixelColor(picture.left() + 5, picture.top() + 5), QColor(128, 128, 128)) << "nothing else covered";

    const auto drawn = [&](bool italic, bool bold) {
        showCues({cue(0, 10000, {"Style"}, italic, bold)});
        at(1.0);
        return overlay().grab().toImage();
    };
    const QImage roman = drawn(false, false);
    EXPECT_NE(drawn(true, false), roman);
    EXPECT_NE(drawn(false, true), roman);
}

// What a choice plays is tried through the car's player screen; here, the menu itself.
TEST(TrackMenuTest, RowsTickTheCurrentOneUnderAHeadingThatIsNoChoice)
{
    PlayerControlsBar bar;
    EXPECT_TRUE(bar.trackButton(TrackKind::Audio)->isHidden()) << "nothing to choose";
    bar.setTrackRows(TrackKind::Subtitles, {"Off", "English", "French"}, 2);
    TrackButton* subtitles = bar.trackButton(TrackKind::Subtitles);
    EXPECT_FALSE(subtitles->isHidden());
    QStringList ticked;
    const QList<QAction*> actions = subtitles->trackMenu()->actions();
    for (QAction* action : actions)
        if (action->isChecked())
            ticked << action->text();
    EXPECT_EQ(ticked, QStringList{"French"});
    EXPECT_EQ(actions.first()->text(), "Subtitles");
    EXPECT_FALSE(actions.first()->isEnabled());
}

TEST(EmbeddedSubtitleTextTest, StyleOverridesBecomeTagsAndNothingElseIsMarkup)
{
    const std::pair<const char*, std::vector<std::string>> rows[] = {
        {"Hello {\\i1}there{\\i0}", {"Hello <i>there</i>"}},
        {"{\\b1}Bold{\\b0}\\Nnext\\nthird", {"<b>Bold</b>", "next", "third"}},
        {"a < b & c > d", {"a &lt; b &amp; c &gt; d"}},
        {"<i>not a tag</i>", {"&lt;i&gt;not a tag&lt;/i&gt;"}},
        {"{\\an8}top{\\pos(1,2)}", {"{\\an8}top{\\pos(1,2)}"}},
        {"hard\\hspace", {"hard space"}},
    };
    for (const auto& [ass, lines] : rows)
        EXPECT_EQ(assTextToLines(ass), lines) << ass;
}

} // namespace
} // namespace kavio::platform
