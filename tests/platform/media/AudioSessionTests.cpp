// The audio session: play() activates it, and the screen saver is held off exactly while
// the session is active and some player plays.

#include "MediaTestSupport.h"
#include "platform/AudioSession.h"
#include "platform/FakePlayer.h"

#include <gtest/gtest.h>

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

TEST_F(AudioSessionTest, PauseReleasesTheScreenSaver)
{
    player.play();
    player.pause();
    EXPECT_EQ(log.uninhibits, 1);
    EXPECT_TRUE(session.isActive()); // a pause alone leaves the session active
    EXPECT_FALSE(session.isInhibitingScreenSaver());
}

TEST_F(AudioSessionTest, DeactivatingReleasesWhilePlayingAndActivatingTakesItBack)
{
    player.play();
    session.setActive(false);
    EXPECT_EQ(log.uninhibits, 1);
    EXPECT_EQ(player.rate(), 1.0);
    session.setActive(true);
    EXPECT_EQ(log.inhibits, 2);
}

TEST_F(AudioSessionTest, DestroyingAPlayingPlayerReleases)
{
    auto shortLived = std::make_unique<FakePlayer>();
    shortLived->replaceCurrentItem(PlayerItem::create(QUrl::fromLocalFile("/videos/b.mp4")));
    shortLived->play();
    shortLived.reset();
    EXPECT_EQ(log.inhibits, 1);
    EXPECT_EQ(log.uninhibits, 1);
    EXPECT_EQ(session.playingPlayerCount(), 0u);
}

TEST_F(AudioSessionTest, ReachingTheEndReleases)
{
    player.play();
    player.finishCurrentItem();
    EXPECT_EQ(log.uninhibits, 1);
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
