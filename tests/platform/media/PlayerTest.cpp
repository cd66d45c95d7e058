// The player contract the screens rely on, checked on the scripted player.

#include "platform/base/NotificationCenter.h"
#include "platform/testing/FakePlayer.h"

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

    void onPlayedToEnd(std::function<void(const Notification&)> handler)
    {
        NotificationCenter::defaultCenter().addObserver(&owner, NotificationName::PlayerItemDidPlayToEnd,
                                                        std::move(handler));
    }

    FakePlayer player;
    QObject owner;
};

TEST_F(PlayerTest, TimeObserverFiresPerIntervalCrossedAndAtOnceWhenTimeJumps)
{
    std::vector<double> observed;
    player.addPeriodicTimeObserver(0.5, &owner, [&](double s) { observed.push_back(s); });
    player.play();
    for (int i = 0; i < 6; ++i)
        player.advanceTime(0.375); // 0.375 0.75 1.125 1.5 1.875 2.25: exact in binary
    player.seek(12.0);
    player.pause();
    player.replaceCurrentItem(PlayerItem::create(fileUrl("b.mp4")));
    EXPECT_EQ(observed, (std::vector<double>{0.0, 0.75, 1.125, 1.5, 2.25, 12.0, 12.0, 0.0}));
}

TEST_F(PlayerTest, TimeObserverIsGoneOnceRemovedEvenWhileTimeIsDeliveredOrItsOwnerDied)
{
    int calls = 0;
    auto shortLived = std::make_unique<QObject>();
    TimeObserverToken removed;
    player.addPeriodicTimeObserver(0.5, &owner, [&](double) { player.removeTimeObserver(removed); });
    removed = player.addPeriodicTimeObserver(0.5, &owner, [&](double) { ++calls; });
    player.addPeriodicTimeObserver(0.5, shortLived.get(), [&](double) { ++calls; });
    shortLived.reset();
    player.play();
    player.advanceTime(3.0);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(player.timeObserverCount(), 1u);
}

// The queue advances from inside the observer; another item of the same file is another item.
TEST_F(PlayerTest, PlayedToEndNamesTheItemThatEndedAndTheQueueMayAdvanceFromIt)
{
    const auto first = player.currentItem();
    const auto again = PlayerItem::create(first->url());
    std::vector<const void*> ended;
    onPlayedToEnd([&](const Notification& n) {
        ended.push_back(n.object);
        if (n.object == first.get()) {
            player.replaceCurrentItem(again);
            player.play();
        }
    });
    player.play();
    player.clearCalls();
    player.finishCurrentItem();
    EXPECT_EQ(player.calls(), (QStringList{"replace file:///videos/a.mp4", "play"}));
    player.finishCurrentItem();
    EXPECT_EQ(ended, (std::vector<const void*>{first.get(), again.get()}));
    EXPECT_EQ(player.rate(), 0.0);
}

TEST_F(PlayerTest, FailedItemReportsWhyAndDoesNotPlayUntilReplaced)
{
    QString reported;
    QObject::connect(&player, &Player::failed, &owner, [&](const QString& m) { reported = m; });
    player.play();
    player.failCurrentItem(QStringLiteral("Resource not found."));
    EXPECT_TRUE(player.status() == PlayerStatus::Failed && reported == "Resource not found.");
    player.play();
    EXPECT_EQ(player.rate(), 0.0);
    player.replaceCurrentItem(PlayerItem::create(fileUrl("b.mp4")));
    EXPECT_EQ(player.status(), PlayerStatus::ReadyToPlay);
}

TEST_F(PlayerTest, FakeRecordsWhatItIsAskedAndKeepsSeeksInsideTheItem)
{
    player.setDuration(10.0);
    player.clearCalls();
    player.play();
    player.seek(4.5);
    player.pause();
    player.seek(-3.0);
    player.seek(42.0);
    EXPECT_EQ(player.currentTime(), 10.0);
    player.replaceCurrentItem(nullptr);
    EXPECT_EQ(player.calls(), (QStringList{"play", "seek 4.5", "pause", "seek 0", "seek 10", "replace none"}));
    EXPECT_EQ(player.status(), PlayerStatus::Idle);
}

TEST(PlayerFactoryTest, FakeFactoryServesMakePlayerForItsScope)
{
    {
        FakePlayerFactory factory;
        std::unique_ptr<Player> made = makePlayer();
        EXPECT_EQ(made.get(), factory.last());
        made.reset();
        EXPECT_EQ(factory.last(), nullptr);
    }
    EXPECT_FALSE(playerFactory()); // the Qt player is back
}

} // namespace
} // namespace kavio::platform
