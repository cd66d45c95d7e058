// Subtitles over the player's picture: cues shown at their time and gone after, stacked
// when they overlap, drawn once per change (never per frame), bottom centre within 90 % of
// the picture's width, above the controls while they show; the control bar's track menus;
// an embedded track's styled text read as the cue builder reads it.

#include "platform/media/MediaProbe.h"
#include "platform/media/PlayerControlsBar.h"
#include "platform/media/PlayerVideoSurface.h"
#include "platform/media/PlayerView.h"
#include "platform/media/SubtitleOverlay.h"
#include "platform/media/TrackButton.h"
#include "platform/testing/FakePlayer.h"

#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QVideoFrame>
#include <QVideoSink>

#include <gtest/gtest.h>

namespace kavio::platform {
namespace {

using subtitles::Cue;
using subtitles::Milliseconds;

QVideoFrame greyFrame(QSize size)
{
    QVideoFrame frame(QVideoFrameFormat(size, QVideoFrameFormat::Format_BGRA8888));
    frame.map(QVideoFrame::WriteOnly);
    QImage(frame.bits(0), size.width(), size.height(), frame.bytesPerLine(0), QImage::Format_ARGB32).fill(QColor(128, 128, 128));
    frame.unmap();
    return frame;
}

Cue cue(int from, int to, std::vector<subtitles::CueLine> lines)
{
    return {Milliseconds(from), Milliseconds(to), std::move(lines)};
}

subtitles::CueLine plain(const std::string& text)
{
    return {{text, false, false}};
}

class SubtitleViewTest : public ::testing::Test {
protected:
    SubtitleViewTest()
    {
        player.replaceCurrentItem(PlayerItem::create(QUrl::fromLocalFile("/videos/a.mp4")));
        player.setDuration(90.0);
        view.resize(760, 480);
        view.setPlayer(&player);
        view.show();
        player.videoSink()->setVideoFrame(greyFrame(QSize(640, 360)));
    }

    void showCues(std::vector<Cue> cues)
    {
        view.setSubtitles(std::make_shared<const subtitles::CueTimeline>(std::move(cues)));
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

TEST_F(SubtitleViewTest, CuesShowAtTheirTimeStackUpWhenTheyOverlapAndGoAfter)
{
    showCues({cue(1000, 3000, {plain("First")}), cue(2000, 4000, {plain("Second"), plain("two lines")})});
    at(0.5);
    EXPECT_FALSE(overlay().isVisible());
    at(1.0);
    EXPECT_TRUE(overlay().isVisible());
    EXPECT_EQ(overlay().text(), "First");
    at(2.5);
    EXPECT_EQ(overlay().text(), "Second\ntwo lines\nFirst") << "the earliest lowest";
    at(3.5);
    EXPECT_EQ(overlay().text(), "Second\ntwo lines");
    at(4.0);
    EXPECT_FALSE(overlay().isVisible()) << "a cue ends where its end time starts";
    at(1.5); // a jump back
    EXPECT_EQ(overlay().text(), "First");
}

TEST_F(SubtitleViewTest, PlayingMovesOnAtTheCuesOwnTimesAndFramesNeverRedrawTheText)
{
    showCues({cue(0, 400, {plain("Now")}), cue(400, 800, {plain("Then")})});
    player.play();
    EXPECT_EQ(overlay().text(), "Now");
    const int renders = overlay().renderCount();
    for (int i = 0; i < 10; ++i)
        player.videoSink()->setVideoFrame(greyFrame(QSize(640, 360)));
    player.advanceTime(0.1); // within the cue: the half-second ticks change nothing
    EXPECT_EQ(overlay().renderCount(), renders);
    // The view wakes itself at the next change, between the player's ticks.
    player.setCurrentTime(0.45);
    EXPECT_TRUE(QTest::qWaitFor([&] { return overlay().text() == "Then"; }, 2000));
    EXPECT_EQ(overlay().renderCount(), renders + 1);
}

TEST_F(SubtitleViewTest, TextSitsBottomCentreWithinTheWidthAndAboveTheControls)
{
    const std::string longLine(40, 'W');
    showCues({cue(0, 10000, {plain(longLine + " " + longLine)})});
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

    // White letters with a dark edge, over the grey picture.
    const QImage shot = view.grab().toImage();
    int white = 0, dark = 0;
    for (int y = low.top(); y <= low.bottom(); ++y) {
        for (int x = low.left(); x <= low.right(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            white += c.lightness() > 240;
            dark += c.lightness() < 40;
        }
    }
    EXPECT_GT(white, 100);
    EXPECT_GT(dark, 100);
    EXPECT_EQ(shot.pixelColor(picture.left() + 5, picture.top() + 5), QColor(128, 128, 128)) << "nothing else covered";
}

TEST_F(SubtitleViewTest, ItalicAndBoldRunsAreDrawnInTheirStyle)
{
    const auto drawn = [&](bool italic, bool bold) {
        showCues({cue(0, 10000, {{{"Style", italic, bold}}})});
        at(1.0);
        return overlay().grab().toImage();
    };
    const QImage roman = drawn(false, false);
    EXPECT_NE(drawn(true, false), roman);
    EXPECT_NE(drawn(false, true), roman);
}

TEST(TrackMenuTest, RowsTickTheCurrentOneAndAChoiceNamesItsKindAndRow)
{
    PlayerControlsBar bar;
    TrackButton* audio = bar.trackButton(TrackKind::Audio);
    EXPECT_TRUE(audio->isHidden()) << "nothing to choose";
    QSignalSpy chosen(&bar, &PlayerControlsBar::trackChosen);
    bar.setTrackRows(TrackKind::Subtitles, {"Off", "English", "French"}, 2);
    TrackButton* subtitles = bar.trackButton(TrackKind::Subtitles);
    EXPECT_FALSE(subtitles->isHidden());
    QStringList ticked;
    const QList<QAction*> actions = subtitles->trackMenu()->actions();
    for (QAction* action : actions)
        if (action->isChecked())
            ticked << action->text();
    EXPECT_EQ(ticked, QStringList{"French"});
    EXPECT_EQ(actions.first()->text(), "Subtitles") << "a heading, not a choice";
    EXPECT_FALSE(actions.first()->isEnabled());
    actions[1]->trigger();
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen[0][0].value<TrackKind>(), TrackKind::Subtitles);
    EXPECT_EQ(chosen[0][1].toInt(), 0) << "Off";
}

TEST(EmbeddedSubtitleTextTest, StyleOverridesBecomeTagsAndNothingElseIsMarkup)
{
    struct Row {
        const char* ass;
        std::vector<std::string> lines;
    };
    for (const Row& row : {
             Row{"Hello {\\i1}there{\\i0}", {"Hello <i>there</i>"}},
             Row{"{\\b1}Bold{\\b0}\\Nnext\\nthird", {"<b>Bold</b>", "next", "third"}},
             Row{"a < b & c > d", {"a &lt; b &amp; c &gt; d"}},
             Row{"<i>not a tag</i>", {"&lt;i&gt;not a tag&lt;/i&gt;"}},
             Row{"{\\an8}top{\\pos(1,2)}", {"{\\an8}top{\\pos(1,2)}"}},
             Row{"hard\\hspace", {"hard space"}},
         }) {
        EXPECT_EQ(assTextToLines(row.ass), row.lines) << row.ass;
    }
}

} // namespace
} // namespace kavio::platform
