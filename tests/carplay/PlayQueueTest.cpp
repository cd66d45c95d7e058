// Queue rules the player screen cannot reach; the playing order itself is tested
// through the screen in PlayerScreenTest.

#include "support/CarplayTestSupport.h"

#include "carplay/PlayQueue.h"

#include <gtest/gtest.h>

namespace kavio::carplay {
namespace {

using test::record;

PlayQueue queueOf(std::size_t start, RecordList records = {record("a"), record("b"), record("c")})
{
    PlayQueue::Opening opening;
    opening.infos = std::make_shared<const RecordList>(std::move(records));
    opening.currentIndex = start;
    return PlayQueue(std::move(opening));
}

TEST(PlayQueue, PositionsOutsideTheQueueAreClampedOrIgnored)
{
    EXPECT_EQ(queueOf(5, {record("a")}).currentIndex(), 0u);
    PlayQueue q = queueOf(1);
    q.select(7);
    EXPECT_EQ(q.currentIndex(), 1u);
}

// The system's now-playing list keys on the track id: a repeat would merge entries.
TEST(PlayQueue, TrackIdsAreUniqueAcrossEntriesAndPlayers)
{
    PlayQueue q = queueOf(0);
    EXPECT_NE(q.trackId(0), q.trackId(1));
    EXPECT_NE(queueOf(0).trackId(0), q.trackId(0));
}

} // namespace
} // namespace kavio::carplay
