// The strip's collection view: item frames, paging by wheel, drag and finger, reuse, taps and
// their targets, the bounce; and the flick's motion itself.

#include "platform/base/Animated.h"
#include "platform/lists/Flick.h"

#include "ListTestSupport.h"

#include <QScrollBar>

namespace kavio::platform {
namespace {

using test::touchDrag;
using test::touchTap;

class CollectionViewTest : public ::testing::Test, public test::ShownStrip {
protected:
    static constexpr int kPage = 200;

    CollectionViewTest() : ShownStrip(100) {}
    void TearDown() override { setAnimationsEnabled(false); }

    // Twelve items, turning by pages.
    void openPaged(int items = 12)
    {
        source.items = items;
        strip.setPagingEnabled(true);
        strip.setShowsVerticalScrollIndicator(false);
        open({40, kPage});
    }
    void wheelDown(int notches = 1)
    {
        for (int i = 0; i < notches; ++i)
            test::wheel(strip.viewport(), {20, 100}, -120);
    }
    QWidget* glass() { return strip.viewport(); }
};

TEST_F(CollectionViewTest, TwelveItemsStackFortyPointsApartAndTurnByPages)
{
    openPaged();
    EXPECT_EQ(strip.frameForItem(IndexPath::forItem(11)), QRect(5, 440, 30, 30)) << "centred, 40 apart";
    EXPECT_EQ(strip.numberOfVisibleItems(), 5);
    wheelDown(); // a notch turns a page; the last stops at the end of 470 points
    EXPECT_EQ(strip.contentOffset(), kPage);
    wheelDown(5);
    EXPECT_EQ(strip.contentOffset(), 470 - kPage);
}

TEST_F(CollectionViewTest, DragsAndScrollBarReleasesSettleOnAPage)
{
    openPaged(100);
    const struct {
        int distance;  // upward drag, points
        int settlesOn; // page index
    } rows[] = {{20, 1}, {-20, 1}, {60, 2}, {-60, 0}, {140, 2}}; // a fifth of a page turns it
    for (const auto& row : rows) {
        strip.setContentOffset(kPage, Animated::No);
        test::drag(glass(), {20, 150}, {20, 150 - row.distance});
        EXPECT_EQ(strip.contentOffset(), row.settlesOn * kPage) << "drag " << row.distance << " up";
    }
    strip.verticalScrollBar()->setValue(kPage * 3 + 90);
    Q_EMIT strip.verticalScrollBar()->sliderReleased();
    EXPECT_EQ(strip.contentOffset(), kPage * 3);
}

TEST_F(CollectionViewTest, AShortFlickTurnsAPageItsWayAndATapWhileItTurnsChoosesNothing)
{
    openPaged(100);
    touchDrag(glass(), {20, 120}, {20, 90}, 4, 10);
    EXPECT_EQ(strip.contentOffset(), kPage) << "30 points, but quick";
    touchDrag(glass(), {20, 90}, {20, 120}, 4, 10);
    EXPECT_EQ(strip.contentOffset(), 0);
    touchDrag(glass(), {20, 120}, {20, 90}, 4, 16, 120);
    EXPECT_EQ(strip.contentOffset(), 0) << "held still before lifting: a short drag settles back";

    setAnimationsEnabled(true);
    touchDrag(glass(), {20, 120}, {20, 90}, 4, 10);
    ASSERT_TRUE(strip.isDecelerating());
    touchTap(glass(), {20, 100});
    EXPECT_TRUE(source.selected.empty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return strip.contentOffset() % kPage == 0 && !strip.isDecelerating(); }));
}

TEST_F(CollectionViewTest, AThousandItemsAskOnlyNearTheScreenAndReuseCells)
{
    openPaged(1000);
    EXPECT_LE(source.cellRequests.size(), 7u);
    const int bottom = strip.verticalScrollBar()->maximum();
    int maxLive = 0;
    while (strip.contentOffset() < bottom) {
        wheelDown();
        maxLive = std::max(maxLive, strip.liveCellCount());
    }
    EXPECT_EQ(source.cellRequests.back().item(), 999);
    EXPECT_TRUE(maxLive <= 16 && cellsMade <= 16);
    const int made = cellsMade;
    strip.reloadData();
    EXPECT_EQ(cellsMade, made) << "reload makes no new cells";
}

TEST_F(CollectionViewTest, ClicksAndTapsChooseOneItemAndTapTargetsGrowAroundSmallItems)
{
    openPaged();
    QTest::mouseClick(glass(), Qt::LeftButton, {}, {20, 35}); // between items
    EXPECT_FALSE(strip.indexPathForTapAt({20, 35})) << "between items, without tap targets";
    QTest::mouseClick(glass(), Qt::LeftButton, {}, centreOf(2));
    QTest::mouseClick(glass(), Qt::LeftButton, {}, centreOf(3));
    EXPECT_EQ(chosen(), (std::vector{2, 3}));
    EXPECT_FALSE(cell(2)->isSelected()) << "one at a time";

    // Where each target ends is checked on the car's strip (BrowserTest); here, that taps use them.
    strip.setTapTargetSize({40, 40});
    touchTap(glass(), {38, 76}); // beside item 2 and above it, within its target
    EXPECT_EQ(chosen(), (std::vector{2, 3, 2}));
}

TEST_F(CollectionViewTest, BounceCompletesOnlyAfterItRan)
{
    openPaged();
    setAnimationsEnabled(true);
    bool done = false;
    strip.animateItem(IndexPath::forItem(1), 1.2, 50, [&] { done = true; });
    EXPECT_FALSE(done);
    EXPECT_TRUE(QTest::qWaitFor([&] { return done; }));
}

TEST(FlickMotionTest, SlowsByTheSameShareEachMomentAndRestsAtItsTravel)
{
    const FlickMotion motion(100, 2000);
    EXPECT_DOUBLE_EQ(motion.positionAt(0), 100);
    EXPECT_NEAR(motion.velocityAt(500), 2000 * std::pow(FlickMotion::kDecayPerMs, 500), 1e-9);
    EXPECT_NEAR(motion.velocityAt(motion.duration()), FlickMotion::kStopSpeed, 1e-6);
    // The whole travel is the speed over the decay's rate: about half a second's worth.
    EXPECT_NEAR(motion.restingPosition() - 100, (2000 - FlickMotion::kStopSpeed) / 1000.0 / -std::log(FlickMotion::kDecayPerMs), 1e-6);
    EXPECT_EQ(FlickMotion(0, 10).duration(), 0);
}

} // namespace
} // namespace kavio::platform
