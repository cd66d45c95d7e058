// Pull to refresh: which gestures start it and what the table does meanwhile.

#include "platform/lists/RefreshControl.h"

#include "platform/base/Animated.h"

#include "ListTestSupport.h"

namespace kavio::platform {
namespace {

class RefreshControlTest : public ::testing::Test, public test::ShownTable {
protected:
    RefreshControlTest() : ShownTable(100, TableViewStyle::Plain)
    {
        table.setRefreshControl(control_);
        QObject::connect(control_, &RefreshControl::valueChanged, [this] { ++fired_; });
        open();
    }
    void TearDown() override { setAnimationsEnabled(false); }

    QPoint middle() const { return table.viewport()->rect().center(); }
    int rowZeroTop() { return table.visualRectForRow(IndexPath::forRow(0)).top(); }

    RefreshControl* control_ = new RefreshControl;
    int fired_ = 0;
};

struct GestureCase {
    const char* name;
    int startOffset;
    std::function<void(TableView& table, QPoint middle)> gesture;
    bool refreshes;
    int rowZeroTopAfter; // once settled, when it does not refresh
};

class RefreshGestureTest : public RefreshControlTest, public ::testing::WithParamInterface<GestureCase> {};

TEST_P(RefreshGestureTest, OnlyAPullPastTheTopRefreshes)
{
    table.setContentOffset(GetParam().startOffset, Animated::No);
    GetParam().gesture(table, middle());
    EXPECT_EQ(fired_, GetParam().refreshes ? 1 : 0);
    EXPECT_EQ(control_->isRefreshing(), GetParam().refreshes);
    const int top = GetParam().refreshes ? RefreshControl::kHeight : GetParam().rowZeroTopAfter;
    EXPECT_TRUE(QTest::qWaitFor([&] { return rowZeroTop() == top; })) << rowZeroTop();
}

const auto dragBy = [](int from, int to) {
    return [=](TableView& table, QPoint m) { test::drag(table.viewport(), m + QPoint(0, from), m + QPoint(0, to)); };
};
const auto fingerBy = [](int from, int to) {
    return [=](TableView& table, QPoint m) {
        test::touchDrag(table.viewport(), m + QPoint(0, from), m + QPoint(0, to), 8, 16, 80);
    };
};
const auto notches = [](int count) {
    return [=](TableView& table, QPoint m) { test::wheel(table.viewport(), m, 120 * count); };
};

INSTANTIATE_TEST_SUITE_P(
    Gestures, RefreshGestureTest,
    ::testing::Values(GestureCase{"F5", 0, [](TableView& table, QPoint) { QTest::keyClick(&table, Qt::Key_F5); }, true, 0},
                      GestureCase{"DragPastTheTop", 0, dragBy(-100, 10), true, 0},
                      GestureCase{"FingerPullPastTheTop", 0, fingerBy(-50, 70), true, 0},
                      GestureCase{"SmallDragSpringsBack", 0, dragBy(0, 25), false, 0},
                      GestureCase{"DragFromFurtherDownOnlyScrolls", 300, dragBy(-100, 10), false, -190},
                      GestureCase{"TwoWheelNotchesPastTheTop", 0, notches(2), true, 0},
                      GestureCase{"OneNotchSpringsBackWhenTheWheelRests", 0, notches(1), false, 0},
                      GestureCase{"WheelThatOnlyReachesTheTop", 30, notches(2), false, 0}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(RefreshControlTest, NothingFiresAgainWhileRefreshingOrFromHalfPullsApart)
{
    QTest::keyClick(&table, Qt::Key_F5);
    QTest::keyClick(&table, Qt::Key_F5);
    EXPECT_EQ(fired_, 1);
    control_->endRefreshing();
    // The owner may end the refresh from its own handler.
    QObject::connect(control_, &RefreshControl::valueChanged, control_, &RefreshControl::endRefreshing);
    QTest::keyClick(&table, Qt::Key_F5);
    EXPECT_TRUE(fired_ == 2 && !control_->isRefreshing());
    test::wheel(table.viewport(), middle(), 120);
    ASSERT_TRUE(QTest::qWaitFor([&] { return rowZeroTop() == 0; }));
    test::wheel(table.viewport(), middle(), 120);
    EXPECT_EQ(fired_, 2) << "the count starts again once the wheel rests";
}

TEST_F(RefreshControlTest, RefreshingKeepsAStripOpenAboveTheRowsUntilItEnds)
{
    control_->beginRefreshing();
    EXPECT_EQ(fired_, 0) << "a program's own refresh emits nothing";
    EXPECT_EQ(rowZeroTop(), RefreshControl::kHeight);
    table.setContentOffset(300, Animated::No);
    const QRect before = table.visualRectForRow(IndexPath::forRow(10));
    control_->endRefreshing();
    EXPECT_EQ(table.visualRectForRow(IndexPath::forRow(10)), before) << "ending while scrolled away moves nothing";
    table.setContentOffset(0, Animated::No);
    setAnimationsEnabled(true);
    control_->beginRefreshing();
    control_->endRefreshing();
    EXPECT_GT(rowZeroTop(), 0) << "closes smoothly with animations on";
    EXPECT_TRUE(QTest::qWaitFor([&] { return rowZeroTop() == 0; }));
}

} // namespace
} // namespace kavio::platform
