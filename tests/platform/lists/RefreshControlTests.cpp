// Pull to refresh: which gestures start it and what the table does meanwhile.

#include "platform/RefreshControl.h"

#include "platform/Animated.h"
#include "platform/TableView.h"

#include "ListTestSupport.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace kavio::platform {
namespace {

using test::RecordingTable;

class RefreshControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        table_.setRowHeight(60);
        table_.setDataSource(&source_);
        table_.setDelegate(&source_);
        control_ = new RefreshControl;
        table_.setRefreshControl(control_);
        QObject::connect(control_, &RefreshControl::valueChanged, [this] { ++fired_; });
        table_.resize(400, 600);
        table_.show();
        QApplication::processEvents();
    }

    QPoint middle() const { return table_.viewport()->rect().center(); }

    RecordingTable source_{100};
    TableView table_;
    RefreshControl* control_ = nullptr;
    int fired_ = 0;
};

TEST_F(RefreshControlTest, F5Refreshes)
{
    test::key(&table_, Qt::Key_F5);
    EXPECT_EQ(fired_, 1);
    EXPECT_TRUE(control_->isRefreshing());
    test::key(&table_, Qt::Key_F5);
    EXPECT_EQ(fired_, 1) << "nothing more while refreshing";
    control_->endRefreshing();
    EXPECT_FALSE(control_->isRefreshing());
}

TEST_F(RefreshControlTest, DraggingDownPastTheTopRefreshes)
{
    test::drag(table_.viewport(), middle() - QPoint(0, 100), middle() + QPoint(0, 10));
    EXPECT_EQ(fired_, 1);
}

TEST_F(RefreshControlTest, ASmallDragDoesNot)
{
    test::drag(table_.viewport(), middle(), middle() + QPoint(0, 25));
    EXPECT_EQ(fired_, 0);
    EXPECT_EQ(table_.visualRectForRow(IndexPath::forRow(0)).top(), 0) << "the content springs back";
}

TEST_F(RefreshControlTest, DraggingDownFromFurtherDownOnlyScrolls)
{
    table_.setContentOffset(300, Animated::No);
    test::drag(table_.viewport(), middle() - QPoint(0, 100), middle() + QPoint(0, 10));
    EXPECT_EQ(fired_, 0);
    EXPECT_EQ(table_.contentOffset(), 190);
}

TEST_F(RefreshControlTest, WheelPastTheTopRefreshes)
{
    test::wheel(table_.viewport(), middle(), 120);
    EXPECT_EQ(fired_, 0) << "one notch is not enough";
    test::wheel(table_.viewport(), middle(), 120);
    EXPECT_EQ(fired_, 1);
}

TEST_F(RefreshControlTest, WheelThatOnlyReachesTheTopDoesNot)
{
    table_.setContentOffset(30, Animated::No);
    test::wheel(table_.viewport(), middle(), 240);
    EXPECT_EQ(table_.contentOffset(), 0);
    EXPECT_EQ(fired_, 0);
}

TEST_F(RefreshControlTest, WheelPullSpringsBackWhenTheWheelRests)
{
    test::wheel(table_.viewport(), middle(), 120);
    EXPECT_GT(table_.visualRectForRow(IndexPath::forRow(0)).top(), 0);
    EXPECT_TRUE(test::waitFor([&] { return table_.visualRectForRow(IndexPath::forRow(0)).top() == 0; }));
    test::wheel(table_.viewport(), middle(), 120);
    EXPECT_EQ(fired_, 0) << "the count starts again";
}

TEST_F(RefreshControlTest, RefreshingKeepsAStripOpenAboveTheRows)
{
    control_->beginRefreshing();
    EXPECT_EQ(fired_, 0) << "a program's own refresh emits nothing";
    EXPECT_EQ(table_.visualRectForRow(IndexPath::forRow(0)).top(), RefreshControl::kHeight);
    EXPECT_TRUE(control_->isVisible());
    control_->endRefreshing();
    EXPECT_EQ(table_.visualRectForRow(IndexPath::forRow(0)).top(), 0);
    EXPECT_FALSE(control_->isVisible());
}

TEST_F(RefreshControlTest, EndingWhileScrolledAwayLeavesTheRowsWhereTheyAre)
{
    control_->beginRefreshing();
    table_.setContentOffset(300, Animated::No);
    const QRect before = table_.visualRectForRow(IndexPath::forRow(10));
    control_->endRefreshing();
    EXPECT_EQ(table_.visualRectForRow(IndexPath::forRow(10)), before);
}

TEST_F(RefreshControlTest, TheStripClosesSmoothlyWithAnimationsOn)
{
    setAnimationsEnabled(true);
    control_->beginRefreshing();
    control_->endRefreshing();
    EXPECT_GT(table_.visualRectForRow(IndexPath::forRow(0)).top(), 0) << "still closing";
    EXPECT_TRUE(test::waitFor([&] { return table_.visualRectForRow(IndexPath::forRow(0)).top() == 0; }));
    EXPECT_FALSE(control_->isVisible());
    setAnimationsEnabled(false);
}

TEST_F(RefreshControlTest, OwnerCanEndRefreshingFromItsHandler)
{
    QObject::connect(control_, &RefreshControl::valueChanged, control_,
                     &RefreshControl::endRefreshing);
    test::key(&table_, Qt::Key_F5);
    EXPECT_EQ(fired_, 1);
    EXPECT_FALSE(control_->isRefreshing());
    EXPECT_EQ(table_.visualRectForRow(IndexPath::forRow(0)).top(), 0);
}

} // namespace
} // namespace kavio::platform
