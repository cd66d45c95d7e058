// A finger on the strip beyond plain scrolling (ScrollViewTest): page turns, tap targets;
// and the flick's motion itself. A finger's pull and long press on a table are among the
// table's gestures (RefreshControlTest, TableViewInputTest).

#include "platform/base/Animated.h"
#include "platform/lists/Flick.h"

#include "ListTestSupport.h"

#include <QScrollBar>

namespace kavio::platform {
namespace {

using test::touchDrag;
using test::touchTap;

class StripTouchTest : public ::testing::Test {
protected:
    static constexpr int kPage = 200;

    void SetUp() override
    {
        CollectionViewFlowLayout layout;
        layout.setItemSize({30, 30});
        layout.setMinimumLineSpacing(10);
        view_.setCollectionViewLayout(layout);
        view_.registerCellClass<CollectionViewCell>(test::RecordingStrip::kIdentifier);
        strip_.items = 100;
        view_.setDataSource(&strip_);
        view_.setDelegate(&strip_);
        view_.resize(40, kPage);
        view_.show();
        QApplication::processEvents();
    }
    void TearDown() override { setAnimationsEnabled(false); }

    QWidget* glass() { return view_.viewport(); }
    QPoint centreOf(int item) { return view_.visualRectForItem(IndexPath::forItem(item)).center(); }

    test::RecordingStrip strip_;
    CollectionView view_;
};

TEST_F(StripTouchTest, AShortFlickTurnsAPageItsWayAndATapWhileItTurnsChoosesNothing)
{
    view_.setPagingEnabled(true);
    touchDrag(glass(), {20, 120}, {20, 90}, 4, 10);
    EXPECT_EQ(view_.contentOffset(), kPage) << "30 points, but quick";
    touchDrag(glass(), {20, 90}, {20, 120}, 4, 10);
    EXPECT_EQ(view_.contentOffset(), 0);
    touchDrag(glass(), {20, 120}, {20, 90}, 4, 16, 120);
    EXPECT_EQ(view_.contentOffset(), 0) << "held still before lifting: a short drag settles back";

    setAnimationsEnabled(true);
    touchDrag(glass(), {20, 120}, {20, 90}, 4, 10);
    ASSERT_TRUE(view_.isDecelerating());
    touchTap(glass(), {20, 100});
    EXPECT_TRUE(strip_.selected.empty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return view_.contentOffset() % kPage == 0 && !view_.isDecelerating(); }));
    touchTap(glass(), centreOf(view_.indexPathsForVisibleItems().front().item()));
    EXPECT_EQ(strip_.selected.size(), 1u);
}

TEST_F(StripTouchTest, TapTargetsGrowAroundSmallItemsTheNearerWins)
{
    EXPECT_FALSE(view_.indexPathForTapAt({20, 35})) << "between items, without tap targets";
    view_.setTapTargetSize({40, 40});
    EXPECT_EQ(view_.indexPathForTapAt({20, 34}), IndexPath::forItem(0));
    EXPECT_EQ(view_.indexPathForTapAt({20, 36}), IndexPath::forItem(1));
    EXPECT_EQ(view_.indexPathForTapAt({1, 15}), IndexPath::forItem(0)) << "the column's full width";
    touchTap(glass(), {38, 76});
    EXPECT_EQ(strip_.selected, std::vector{IndexPath::forItem(2)});
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
