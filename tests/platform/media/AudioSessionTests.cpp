// The audio session: play() activates it, and the screen saver is held off exactly while
// the session is active and some player plays.

#include "MediaTestSupport.h"
#include "platform/AudioSession.h"
#include "platform/FakePlayer.h"

#include <gtest/gtest.h>

#include <functional>

namespace kavio::platform {
namespace {

using test::InhibitorLog;
using test::RecordingInhibitor;

class AudioSessionTest : public ::testing::Test {
protected:
    AudioSessionTest()
    {
        session.setActive(false);
        session.setScreenSaverInhibitor(std::make_unique<RecordingInhibitor>(log_));
        player.replaceCurrentItem(PlayerItem::create(QUrl::fromLocalFile("/videos/a.mp4")));
    }
    ~AudioSessionTest() override { session.setActive(false); }

    AudioSession& session = AudioSession::shared();
    std::shared_ptr<InhibitorLog> log_ = std::make_shared<InhibitorLog>();
    InhibitorLog& log = *log_;
    FakePlayer player;
};

TEST_F(AudioSessionTest, PlayActivatesTheSession)
{
    session.setCategory(AudioSessionCategory::Playback);
    player.play();
    EXPECT_TRUE(session.isActive());
    EXPECT_EQ(session.category(), AudioSessionCategory::Playback);
}

TEST_F(AudioSessionTest, PlayingInhibitsTheScreenSaverOnce)
{
    player.play();
    player.seek(3.0);
    player.advanceTime(1.0);
    EXPECT_EQ(log.inhibits, 1);
    EXPECT_EQ(log.uninhibits, 0);
    EXPECT_EQ(log.lastArguments, (QStringList{"Kavio", "Playing video"}));
    EXPECT_TRUE(session.isInhibitingScreenSaver());
}

TEST_F(AudioSessionTest, EveryWayPlaybackStopsReleasesTheScreenSaver)
{
    const struct {
        const char* how;
        std::function<void(std::unique_ptr<FakePlayer>&)> stop;
        bool sessionStaysActive;
    } rows[] = {
        {"pause", [](auto& p) { p->pause(); }, true},
        {"end of item", [](auto& p) { p->finishCurrentItem(); }, true},
        {"player destroyed", [](auto& p) { p.reset(); }, true},
        {"session deactivated", [&](auto&) { session.setActive(false); }, false},
    };
    for (const auto& row : rows) {
        auto playing = std::make_unique<FakePlayer>();
        playing->replaceCurrentItem(PlayerItem::create(QUrl::fromLocalFile("/videos/b.mp4")));
        playing->play();
        const int released = log.uninhibits;
        row.stop(playing);
        EXPECT_EQ(log.uninhibits, released + 1) << row.how;
        EXPECT_FALSE(session.isInhibitingScreenSaver()) << row.how;
        EXPECT_EQ(session.isActive(), row.sessionStaysActive) << row.how;
    }
}

TEST_F(AudioSessionTest, ReactivatingWhilePlayingInhibitsAgain)
{
    player.play();
    session.setActive(false);
    session.setActive(true);
    EXPECT_EQ(log.inhibits, 2);
    EXPECT_EQ(player.rate(), 1.0);
}

TEST_F(AudioSessionTest, TwoPlayersHoldOneInhibitionUntilBothStop)
{
    FakePlayer second;
    second.replaceCurrentItem(PlayerItem::create(QUrl::fromLocalFile("/videos/b.mp4")));
    player.play();
    second.play();
    player.pause();
    EXPECT_EQ(log.inhibits, 1);
    EXPECT_EQ(log.uninhibits, 0);
    second.pause();
    EXPECT_EQ(log.uninhibits, 1);
}

TEST_F(AudioSessionTest, ActiveSessionWithoutPlaybackDoesNotInhibit)
{
    session.setActive(true);
    EXPECT_EQ(log.inhibits, 0);
}

} // namespace
} // namespace kavio::platform
