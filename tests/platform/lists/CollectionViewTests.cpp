// The strip's collection view: item frames, paging, reuse, taps, the bounce.

#include "platform/CollectionView.h"

#include "platform/Animated.h"

#include "ListTestSupport.h"

#include <QApplication>
#include <QScrollBar>

#include <gtest/gtest.h>

namespace kavio::platform {
namespace {

using test::RecordingStrip;

class CollectionViewTest : public ::testing::Test {
protected:
    static constexpr int kPage = 200;

    void open(int items)
    {
        strip_.items = items;
        CollectionViewFlowLayout layout;
        layout.setItemSize({30, 30});
        layout.setMinimumLineSpacing(10);
        view_ = std::make_unique<CollectionView>(layout);
        view_->setPagingEnabled(true);
        view_->setShowsVerticalScrollIndicator(false);
        view_->registerCellClass(RecordingStrip::kIdentifier, [this] {
            ++made_;
            return std::make_unique<CollectionViewCell>();
        });
        view_->setDataSource(&strip_);
        view_->setDelegate(&strip_);
        view_->resize(40, kPage);
        view_->show();
        QApplication::processEvents();
    }

    void TearDown() override { setAnimationsEnabled(false); }

    RecordingStrip strip_{0};
    std::unique_ptr<CollectionView> view_;
    int made_ = 0;
};

TEST_F(CollectionViewTest, TwelveItemsStackFortyPointsApart)
{
    open(12);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(view_->frameForItem(IndexPath::forItem(i)), QRect(5, 40 * i, 30, 30)) << i;
    EXPECT_EQ(view_->contentSize().height(), 12 * 30 + 11 * 10);
    EXPECT_EQ(view_->numberOfVisibleItems(), 5);
}

TEST_F(CollectionViewTest, OnlyItemsNearTheScreenAreAskedFor)
{
    open(1000);
    EXPECT_LE(strip_.cellRequests.size(), 7u);
}

TEST_F(CollectionViewTest, AWheelNotchTurnsOnePage)
{
    open(100);
    test::wheel(view_->viewport(), {20, 100}, -120);
    EXPECT_EQ(view_->contentOffset(), kPage);
    test::wheel(view_->viewport(), {20, 100}, -120);
    test::wheel(view_->viewport(), {20, 100}, 120);
    EXPECT_EQ(view_->contentOffset(), kPage);
}

struct DragCase {
    int distance;   // upward drag, points
    int settlesOn;  // page index
};

void PrintTo(const DragCase& c, std::ostream* os)
{
    *os << "drag " << c.distance << " up settles on page " << c.settlesOn;
}

class CollectionViewPagingTest : public CollectionViewTest,
                                 public ::testing::WithParamInterface<DragCase> {};

TEST_P(CollectionViewPagingTest, DragsSettleOnAPage)
{
    open(100);
    view_->setContentOffset(kPage, Animated::No);
    test::drag(view_->viewport(), {20, 150}, {20, 150 - GetParam().distance});
    EXPECT_EQ(view_->contentOffset(), GetParam().settlesOn * kPage);
}

INSTANTIATE_TEST_SUITE_P(Distances, CollectionViewPagingTest,
                         ::testing::Values(DragCase{20, 1},    // too short: back
                                           DragCase{-20, 1},
                                           DragCase{60, 2},    // a fifth of a page turns it
                                           DragCase{-60, 0},
                                           DragCase{140, 2}));

TEST_F(CollectionViewTest, ReleasingTheScrollBarSnapsToTheNearestPage)
{
    open(100);
    view_->verticalScrollBar()->setValue(kPage * 3 + 90);
    Q_EMIT view_->verticalScrollBar()->sliderReleased();
    EXPECT_EQ(view_->contentOffset(), kPage * 3);
}

TEST_F(CollectionViewTest, LastPageStopsAtTheEndOfTheContent)
{
    open(12); // 470 points of content in a 200-point view
    for (int i = 0; i < 5; ++i)
        test::wheel(view_->viewport(), {20, 100}, -120);
    EXPECT_EQ(view_->contentOffset(), 470 - kPage);
}

TEST_F(CollectionViewTest, CellsAreReusedWhileScrollingAThousandItems)
{
    open(1000);
    const int bottom = view_->verticalScrollBar()->maximum();
    int maxLive = 0;
    while (view_->contentOffset() < bottom) {
        test::wheel(view_->viewport(), {20, 100}, -120);
        maxLive = std::max(maxLive, view_->liveCellCount());
    }
    EXPECT_EQ(strip_.cellRequests.back().item(), 999);
    EXPECT_LE(maxLive, 16);
    EXPECT_LE(made_, 16);
}

TEST_F(CollectionViewTest, ReloadAsksAgainWithoutMakingNewCells)
{
    open(12);
    const int made = made_;
    strip_.cellRequests.clear();
    view_->reloadData();
    EXPECT_FALSE(strip_.cellRequests.empty());
    EXPECT_EQ(made_, made);
}

TEST_F(CollectionViewTest, ClickSelectsTheItemUnderThePointer)
{
    open(12);
    test::click(view_->viewport(), view_->visualRectForItem(IndexPath::forItem(2)).center());
    EXPECT_EQ(strip_.selected, std::vector{IndexPath::forItem(2)});
    EXPECT_TRUE(view_->cellForItem(IndexPath::forItem(2))->isSelected());
    test::click(view_->viewport(), view_->visualRectForItem(IndexPath::forItem(3)).center());
    EXPECT_FALSE(view_->cellForItem(IndexPath::forItem(2))->isSelected()) << "one at a time";
}

TEST_F(CollectionViewTest, ClickBetweenItemsSelectsNothing)
{
    open(12);
    test::click(view_->viewport(), {20, 35});
    EXPECT_TRUE(strip_.selected.empty());
}

TEST_F(CollectionViewTest, BounceCompletesAtOnceWithAnimationsOff)
{
    open(12);
    bool done = false;
    view_->animateItem(IndexPath::forItem(1), 1.2, 200, [&] { done = true; });
    EXPECT_TRUE(done);
}

TEST_F(CollectionViewTest, BounceCompletesAfterRunningAndRestoresTheCell)
{
    setAnimationsEnabled(true);
    open(12);
    bool done = false;
    view_->animateItem(IndexPath::forItem(1), 1.2, 50, [&] { done = true; });
    EXPECT_FALSE(done);
    EXPECT_TRUE(test::waitFor([&] { return done; }));
    EXPECT_TRUE(view_->cellForItem(IndexPath::forItem(1))->isVisible());
}

} // namespace
} // namespace kavio::platform
