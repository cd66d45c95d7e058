// The frame-dropping rule on a scripted clock: frames are offered with their due times and
// the window comes to paint at given moments; a frame may be dropped only when the one after
// it is already due.

#include "platform/media/FramePacer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kavio::platform {
namespace {

// A 30 fps video: frame n is due at n * 33,333 us, offered when due; the window paints at
// the listed moments and each paint shows what take() hands over.
struct PacingCase {
    const char* name;
    std::vector<int> offeredAt;   // ms: frame i is offered (and due) at offeredAt[i]
    std::vector<int> paintsAt;    // ms
    std::vector<int> shown;       // the frames painted, in order
    int dropped;
};

const PacingCase kPacingCases[] = {
    {"a window that keeps up shows every frame", {0, 33, 67, 100}, {1, 34, 68, 101}, {0, 1, 2, 3}, 0},
    {"a window that paints late shows the newest due frame", {0, 33, 67, 100}, {1, 70, 101}, {0, 2, 3}, 1},
    {"a window blocked for a while catches up at once", {0, 33, 67, 100, 133}, {1, 140}, {0, 4}, 3},
    {"paints between frames show nothing new", {0, 33}, {1, 10, 20, 34, 40}, {0, 1}, 0},
};

TEST(FramePacerTest, FramesAreDroppedOnlyWhenTheirSuccessorIsDue)
{
    for (const PacingCase& c : kPacingCases) {
        FramePacer<int> pacer;
        std::vector<int> shown;
        std::size_t next = 0;
        for (int paint : c.paintsAt) {
            while (next < c.offeredAt.size() && c.offeredAt[next] <= paint) {
                pacer.offer(c.offeredAt[next] * 1000, static_cast<int>(next));
                ++next;
            }
            if (std::optional<int> frame = pacer.take(paint * 1000))
                shown.push_back(*frame);
        }
        EXPECT_EQ(shown, c.shown) << c.name;
        EXPECT_EQ(pacer.dropped(), c.dropped) << c.name;
        EXPECT_EQ(pacer.shown(), static_cast<int>(c.shown.size())) << c.name;
    }
}

// Frames that come early (ahead of the clock) wait for their time, and one that is late is
// still shown when the next is not due yet.
TEST(FramePacerTest, AFrameWaitsForItsTimeAndALateOneIsShownIfTheNextIsNotDue)
{
    FramePacer<int> pacer;
    pacer.offer(0, 0);
    pacer.offer(33'333, 1);
    pacer.offer(66'667, 2);
    EXPECT_EQ(pacer.take(30'000), 0);
    EXPECT_EQ(pacer.take(30'000), std::nullopt) << "frame 1 is not due yet";
    EXPECT_EQ(pacer.nextDue(), 33'333);
    EXPECT_EQ(pacer.take(66'000), 1) << "late, but frame 2 is not due: shown, not dropped";
    EXPECT_EQ(pacer.take(66'667), 2);
    EXPECT_EQ(pacer.dropped(), 0);
    EXPECT_EQ(pacer.nextDue(), std::nullopt);
}

TEST(FramePacerTest, AJumpBackStartsAFreshRunWithoutCountingDrops)
{
    FramePacer<int> pacer;
    pacer.offer(5'000'000, 1);
    pacer.offer(5'033'333, 2);
    pacer.offer(1'000'000, 3); // a seek back, or the next video from its start
    EXPECT_EQ(pacer.take(1'000'000), 3);
    EXPECT_TRUE(pacer.empty());
    EXPECT_EQ(pacer.dropped(), 0);
}

TEST(FramePacerTest, AStalledWindowHoldsOnlyAFewPictures)
{
    FramePacer<int> pacer(3);
    for (int i = 0; i < 10; ++i)
        pacer.offer(i * 33'333, i);
    EXPECT_EQ(pacer.dropped(), 7);
    EXPECT_EQ(pacer.take(9 * 33'333), 9) << "the newest due picture survives";
    EXPECT_EQ(pacer.dropped(), 9);
}

TEST(PlaybackClockTest, RunsOnFromTheNewestFrameAndStopsOnReset)
{
    PlaybackClock clock;
    EXPECT_EQ(clock.now(1'000), std::nullopt) << "no frame yet";
    clock.frameArrived(2'000'000, 10'000);
    EXPECT_EQ(clock.now(10'000), 2'000'000);
    EXPECT_EQ(clock.now(25'000), 2'015'000);
    clock.frameArrived(500'000, 30'000); // a seek back re-anchors
    EXPECT_EQ(clock.now(31'000), 501'000);
    clock.reset();
    EXPECT_EQ(clock.now(40'000), std::nullopt);
}

} // namespace
} // namespace kavio::platform
