// The player contract the screens rely on, checked on the scripted player, and the screen
// saver held off exactly while the audio session is active and some player plays. A failed
// item's report is tried on the real player (PlaybackTest) and on the car's player screen.

#include "platform/media/AudioSession.h"
#include "platform/testing/FakePlayer.h"
#include "support/MediaTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace kavio::platform {
namespace {

std::unique_ptr<FakePlayer> loadedPlayer(const char* name = "a.mp4")
{
    auto player = std::make_unique<FakePlayer>();
    player->replaceCurrentItem(PlayerItem::create(QUrl::fromLocalFile(QStringLiteral("/videos/") + name)));
    return player;
}

// A loaded player, and the shared audio session reporting to a log of its own.
class PlayerTest : public ::testing::Test {
protected:
    PlayerTest()
    {
        session.setActive(false);
        session.setScreenSaverInhibitor(std::make_unique<test::RecordingInhibitor>(log_));
    }
    ~PlayerTest() override { session.setActive(false); }

    AudioSession& session = AudioSession::shared();
    std::shared_ptr<test::InhibitorLog> log_ = std::make_shared<test::InhibitorLog>();
    test::InhibitorLog& log = *log_;
    std::unique_ptr<FakePlayer> player = loadedPlayer();
    QObject owner;
};
using AudioSessionTest = PlayerTest;

TEST_F(PlayerTest, TimeObserverFiresPerIntervalCrossedAndAtOnceWhenTimeJumps)
{
    std::vector<double> observed;
    player->addPeriodicTimeObserver(0.5, &owner, [&](double s) { observed.push_back(s); });
    player->play();
    for (int i = 0; i < 6; ++i)
        player->advanceTime(0.375); // 0.375 0.75 1.125 1.5 1.875 2.25: exact in binary
    player->seek(12.0);
    player->pause();
    player->replaceCurrentItem(PlayerItem::create(QUrl::fromLocalFile("/videos/b.mp4")));
    EXPECT_EQ(observed, (std::vector<double>{0.0, 0.75, 1.125, 1.5, 2.25, 12.0, 12.0, 0.0}));
}

TEST_F(PlayerTest, TimeObserverIsGoneOnceRemovedEvenWhileTimeIsDeliveredOrItsOwnerDied)
{
    int calls = 0;
    auto shortLived = std::make_unique<QObject>();
    TimeObserverToken removed;
    player->addPeriodicTimeObserver(0.5, &owner, [&](double) { player->removeTimeObserver(removed); });
    removed = player->addPeriodicTimeObserver(0.5, &owner, [&](double) { ++calls; });
    player->addPeriodicTimeObserver(0.5, shortLived.get(), [&](double) { ++calls; });
    shortLived.reset();
    player->play();
    player->advanceTime(3.0);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(player->timeObserverCount(), 1u);
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

TEST_F(AudioSessionTest, PlayInhibitsOnceForTwoPlayersUntilBothStopAndReactivationInhibitsAgain)
{
    session.setActive(true);
    EXPECT_EQ(log.inhibits, 0) << "active without playback";
    session.setActive(false);
    auto second = loadedPlayer();
    player->play();
    EXPECT_TRUE(session.isActive());
    second->play();
    player->seek(3.0);
    player->pause();
    EXPECT_EQ(log.inhibits, 1) << "a second player and seeking inhibit nothing more";
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
