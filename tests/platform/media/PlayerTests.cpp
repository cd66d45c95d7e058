// The player contract every screen relies on, checked on the scripted player: time
// observers and their lifetime, played-to-end identity, failures and the factory seam.

#include "platform/FakePlayer.h"
#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace kavio::platform {
namespace {

QUrl fileUrl(const char* name)
{
    return QUrl::fromLocalFile(QStringLiteral("/videos/%1").arg(QLatin1String(name)));
}

class PlayerTest : public ::testing::Test {
protected:
    PlayerTest() { player.replaceCurrentItem(PlayerItem::create(fileUrl("a.mp4"))); }

    void observe(double interval)
    {
        player.addPeriodicTimeObserver(interval, &owner, [this](double s) { observed.push_back(s); });
    }

    FakePlayer player;
    QObject owner;
    std::vector<double> observed;
};

TEST_F(PlayerTest, TimeObserverFiresOncePerIntervalCrossed)
{
    player.play();
    observe(0.5);
    for (int i = 0; i < 6; ++i)
        player.advanceTime(0.375); // 0.375 0.75 1.125 1.5 1.875 2.25: exact in binary
    EXPECT_EQ(observed, (std::vector<double>{0.75, 1.125, 1.5, 2.25}));
}

TEST_F(PlayerTest, TimeObserverFiresAtOnceWhenTimeJumps)
{
    observe(0.5);
    player.play();
    player.seek(12.0);
    player.pause();
    player.replaceCurrentItem(PlayerItem::create(fileUrl("b.mp4")));
    EXPECT_EQ(observed, (std::vector<double>{0.0, 12.0, 12.0, 0.0}));
}

TEST_F(PlayerTest, RemovedTimeObserverIsNeverCalledAgain)
{
    int calls = 0;
    const TimeObserverToken token = player.addPeriodicTimeObserver(0.5, &owner, [&](double) { ++calls; });
    player.removeTimeObserver(token);
    player.play();
    player.advanceTime(3.0);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(player.timeObserverCount(), 0u);
}

TEST_F(PlayerTest, TimeObserverDiesWithItsOwner)
{
    int calls = 0;
    auto shortLived = std::make_unique<QObject>();
    player.addPeriodicTimeObserver(0.5, shortLived.get(), [&](double) { ++calls; });
    shortLived.reset();
    player.play();
    player.advanceTime(3.0);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(player.timeObserverCount(), 0u);
}

TEST_F(PlayerTest, ObserverMayRemoveAnotherWhileTimeIsDelivered)
{
    TimeObserverToken second;
    int secondCalls = 0;
    player.addPeriodicTimeObserver(0.5, &owner, [&](double) { player.removeTimeObserver(second); });
    second = player.addPeriodicTimeObserver(0.5, &owner, [&](double) { ++secondCalls; });
    player.seek(1.0);
    EXPECT_EQ(secondCalls, 0);
}

TEST_F(PlayerTest, PlayedToEndNamesTheItemThatEnded)
{
    const auto first = player.currentItem();
    std::vector<const void*> ended;
    NotificationCenter::defaultCenter().addObserver(&owner, NotificationName::PlayerItemDidPlayToEnd,
                                                    [&](const Notification& n) { ended.push_back(n.object); });
    player.play();
    player.finishCurrentItem();
    const auto second = PlayerItem::create(first->url()); // the same file again
    player.replaceCurrentItem(second);
    player.finishCurrentItem();
    EXPECT_EQ(ended, (std::vector<const void*>{first.get(), second.get()}));
    EXPECT_EQ(player.rate(), 0.0);
}

TEST_F(PlayerTest, QueueCanAdvanceFromInsideThePlayedToEndObserver)
{
    NotificationCenter::defaultCenter().addObserver(&owner, NotificationName::PlayerItemDidPlayToEnd,
                                                    [&](const Notification&) {
                                                        player.replaceCurrentItem(PlayerItem::create(fileUrl("b.mp4")));
                                                        player.play();
                                                    });
    player.play();
    player.clearCalls();
    player.finishCurrentItem();
    EXPECT_EQ(player.calls(), (QStringList{"replace file:///videos/b.mp4", "play"}));
    EXPECT_EQ(player.rate(), 1.0);
}

TEST_F(PlayerTest, FailedItemReportsWhyAndNeitherPlaysNorSeeks)
{
    QString reported;
    QObject::connect(&player, &Player::failed, &owner, [&](const QString& m) { reported = m; });
    player.play();
    player.failCurrentItem(QStringLiteral("Resource not found."));
    EXPECT_EQ(player.status(), PlayerStatus::Failed);
    EXPECT_EQ(player.errorString(), QStringLiteral("Resource not found."));
    EXPECT_EQ(reported, QStringLiteral("Resource not found."));
    EXPECT_EQ(player.rate(), 0.0);
    player.play();
    EXPECT_EQ(player.rate(), 0.0);
    player.replaceCurrentItem(PlayerItem::create(fileUrl("b.mp4")));
    EXPECT_EQ(player.status(), PlayerStatus::ReadyToPlay);
    EXPECT_TRUE(player.errorString().isEmpty());
}

TEST_F(PlayerTest, FakeRecordsWhatItIsAsked)
{
    player.clearCalls();
    player.play();
    player.seek(4.5);
    player.pause();
    player.replaceCurrentItem(nullptr);
    EXPECT_EQ(player.calls(), (QStringList{"play", "seek 4.5", "pause", "replace none"}));
    EXPECT_EQ(player.status(), PlayerStatus::Idle);
}

TEST_F(PlayerTest, SeekStaysInsideTheItem)
{
    player.setDuration(10.0);
    player.seek(-3.0);
    EXPECT_EQ(player.currentTime(), 0.0);
    player.seek(42.0);
    EXPECT_EQ(player.currentTime(), 10.0);
}

TEST(PlayerFactoryTest, FakeFactoryServesMakePlayerForItsScope)
{
    {
        FakePlayerFactory factory;
        std::unique_ptr<Player> made = makePlayer();
        EXPECT_EQ(made.get(), factory.last());
        EXPECT_EQ(factory.madeCount(), 1u);
        made.reset();
        EXPECT_EQ(factory.last(), nullptr);
    }
    EXPECT_FALSE(playerFactory()); // the Qt player is back
}

} // namespace
} // namespace kavio::platform
