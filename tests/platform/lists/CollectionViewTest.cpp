// The strip's collection view: item frames, paging, reuse, taps, the bounce.

#include "platform/base/Animated.h"

#include "ListTestSupport.h"

#include <QScrollBar>

namespace kavio::platform {
namespace {

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
        view_->registerCellClass(test::RecordingStrip::kIdentifier, [this] {
            ++made_;
            return std::make_unique<CollectionViewCell>();
        });
        view_->setDataSource(&strip_);
        view_->setDelegate(&strip_);
        view_->resize(40, kPage);
        view_->show();
        QApplication::processEvents();
    }
    void wheelDown(int notches = 1)
    {
        for (int i = 0; i < notches; ++i)
            test::wheel(view_->viewport(), {20, 100}, -120);
    }
    QPoint centreOf(int item) { return view_->visualRectForItem(IndexPath::forItem(item)).center(); }
    CollectionViewCell* cell(int item) { return view_->cellForItem(IndexPath::forItem(item)); }

    void TearDown() override { setAnimationsEnabled(false); }

    test::RecordingStrip strip_;
    std::unique_ptr<CollectionView> view_;
    int made_ = 0;
};

TEST_F(CollectionViewTest, TwelveItemsStackFortyPointsApartAndTurnByPages)
{
    open(12);
    EXPECT_EQ(view_->frameForItem(IndexPath::forItem(11)), QRect(5, 440, 30, 30)) << "centred, 40 apart";
    EXPECT_EQ(view_->numberOfVisibleItems(), 5);
    wheelDown(); // a notch turns a page; the last stops at the end of 470 points
    EXPECT_EQ(view_->contentOffset(), kPage);
    wheelDown(5);
    EXPECT_EQ(view_->contentOffset(), 470 - kPage);
}

TEST_F(CollectionViewTest, DragsAndScrollBarReleasesSettleOnAPage)
{
    open(100);
    const struct {
        int distance;  // upward drag, points
        int settlesOn; // page index
    } rows[] = {{20, 1}, {-20, 1}, {60, 2}, {-60, 0}, {140, 2}}; // a fifth of a page turns it
    for (const auto& row : rows) {
        view_->setContentOffset(kPage, Animated::No);
        test::drag(view_->viewport(), {20, 150}, {20, 150 - row.distance});
        EXPECT_EQ(view_->contentOffset(), row.settlesOn * kPage) << "drag " << row.distance << " up";
    }
    view_->verticalScrollBar()->setValue(kPage * 3 + 90);
    Q_EMIT view_->verticalScrollBar()->sliderReleased();
    EXPECT_EQ(view_->contentOffset(), kPage * 3);
}

TEST_F(CollectionViewTest, AThousandItemsAskOnlyNearTheScreenAndReuseCells)
{
    open(1000);
    EXPECT_LE(strip_.cellRequests.size(), 7u);
    const int bottom = view_->verticalScrollBar()->maximum();
    int maxLive = 0;
    while (view_->contentOffset() < bottom) {
        wheelDown();
        maxLive = std::max(maxLive, view_->liveCellCount());
    }
    EXPECT_EQ(strip_.cellRequests.back().item(), 999);
    EXPECT_TRUE(maxLive <= 16 && made_ <= 16);
    const int made = made_;
    strip_.cellRequests.clear();
    view_->reloadData();
    EXPECT_FALSE(strip_.cellRequests.empty());
    EXPECT_EQ(made_, made) << "reload asks again without making new cells";
}

TEST_F(CollectionViewTest, ClickSelectsTheItemUnderThePointerOnly)
{
    open(12);
    QTest::mouseClick(view_->viewport(), Qt::LeftButton, {}, {20, 35}); // between items
    EXPECT_TRUE(strip_.selected.empty());
    QTest::mouseClick(view_->viewport(), Qt::LeftButton, {}, centreOf(2));
    EXPECT_EQ(strip_.selected, std::vector{IndexPath::forItem(2)});
    QTest::mouseClick(view_->viewport(), Qt::LeftButton, {}, centreOf(3));
    EXPECT_FALSE(cell(2)->isSelected()) << "one at a time";
}

TEST_F(CollectionViewTest, BounceCompletesOnlyAfterItRan)
{
    open(12);
    setAnimationsEnabled(true);
    bool done = false;
    view_->animateItem(IndexPath::forItem(1), 1.2, 50, [&] { done = true; });
    EXPECT_FALSE(done);
    EXPECT_TRUE(QTest::qWaitFor([&] { return done; }));
}

} // namespace
} // namespace kavio::platform
