// The screen saver is held off exactly while the session is active and some player plays.

#include "platform/media/AudioSession.h"
#include "platform/testing/FakePlayer.h"
#include "support/MediaTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace kavio::platform {
namespace {

std::unique_ptr<FakePlayer> loadedPlayer()
{
    auto player = std::make_unique<FakePlayer>();
    player->replaceCurrentItem(PlayerItem::create(QUrl::fromLocalFile("/videos/a.mp4")));
    return player;
}

class AudioSessionTest : public ::testing::Test {
protected:
    AudioSessionTest()
    {
        session.setActive(false);
        session.setScreenSaverInhibitor(std::make_unique<test::RecordingInhibitor>(log_));
    }
    ~AudioSessionTest() override { session.setActive(false); }

    AudioSession& session = AudioSession::shared();
    std::shared_ptr<test::InhibitorLog> log_ = std::make_shared<test::InhibitorLog>();
    test::InhibitorLog& log = *log_;
    std::unique_ptr<FakePlayer> player = loadedPlayer();
};

TEST_F(AudioSessionTest, PlayActivatesTheSessionAndInhibitsTheScreenSaverOnce)
{
    session.setActive(true);
    EXPECT_EQ(log.inhibits, 0) << "active without playback";
    session.setActive(false);
    player->play();
    EXPECT_TRUE(session.isActive());
    player->seek(3.0);
    EXPECT_EQ(log.inhibits, 1) << "seeking and time passing inhibit nothing more";
    EXPECT_EQ(log.lastArguments, (QStringList{"Kavio", "Playing video"}));
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
        auto playing = loadedPlayer();
        playing->play();
        const int released = log.uninhibits;
        row.stop(playing);
        EXPECT_EQ(log.uninhibits, released + 1) << row.how;
        EXPECT_FALSE(session.isInhibitingScreenSaver()) << row.how;
        EXPECT_EQ(session.isActive(), row.sessionStaysActive) << row.how;
    }
}

TEST_F(AudioSessionTest, TwoPlayersHoldOneInhibitionUntilBothStopAndReactivationInhibitsAgain)
{
    auto second = loadedPlayer();
    player->play();
    second->play();
    player->pause();
    EXPECT_EQ(log.inhibits, 1);
    EXPECT_EQ(log.uninhibits, 0);
    second->pause();
    EXPECT_EQ(log.uninhibits, 1);
    second->play();
    session.setActive(false);
    session.setActive(true);
    EXPECT_EQ(log.inhibits, 3) << "still playing when the session came back";
    EXPECT_EQ(second->rate(), 1.0);
}

} // namespace
} // namespace kavio::platform
