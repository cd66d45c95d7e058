// Keys, swipes, long presses and context menus on a table.

#include "platform/TableView.h"

#include "ListTestSupport.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace kavio::platform {
namespace {

using test::RecordingTable;

class TableViewInputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        table_.setRowHeight(60);
        table_.setDataSource(&source_);
        table_.setDelegate(&source_);
        table_.resize(400, 600);
        table_.show();
        QApplication::processEvents();
    }

    QPoint centreOf(int row) { return table_.visualRectForRow(IndexPath::forRow(row)).center(); }

    RecordingTable source_{20};
    TableView table_{TableViewStyle::InsetGrouped};
};

TEST_F(TableViewInputTest, ArrowsMoveAndEnterSelects)
{
    test::key(&table_, Qt::Key_Down); // shows where the keyboard is: the first row
    test::key(&table_, Qt::Key_Down);
    test::key(&table_, Qt::Key_Down);
    test::key(&table_, Qt::Key_Up);
    test::key(&table_, Qt::Key_Return);
    EXPECT_EQ(source_.selected, std::vector{IndexPath::forRow(1)});
}

TEST_F(TableViewInputTest, ArrowsScrollTheCurrentRowIntoView)
{
    for (int i = 0; i < 15; ++i)
        test::key(&table_, Qt::Key_Down);
    const QRect current = table_.visualRectForRow(IndexPath::forRow(14));
    EXPECT_TRUE(table_.viewport()->rect().contains(current));
}

TEST_F(TableViewInputTest, HomeAndEndGoToTheFirstAndLastRows)
{
    test::key(&table_, Qt::Key_End);
    test::key(&table_, Qt::Key_Return);
    test::key(&table_, Qt::Key_Home);
    test::key(&table_, Qt::Key_Return);
    EXPECT_EQ(source_.selected, (std::vector{IndexPath::forRow(19), IndexPath::forRow(0)}));
}

TEST_F(TableViewInputTest, DeleteKeyCommitsOnlyWhereTheDelegateAllowsIt)
{
    test::click(table_.viewport(), centreOf(2));
    test::key(&table_, Qt::Key_Delete);
    EXPECT_TRUE(source_.deleted.empty());

    source_.deletable = true;
    test::key(&table_, Qt::Key_Delete);
    EXPECT_EQ(source_.deleted, std::vector{IndexPath::forRow(2)});
}

TEST_F(TableViewInputTest, SwipeUncoversDeleteAndTappingItCommits)
{
    source_.deletable = true;
    const QPoint start = centreOf(1);
    test::drag(table_.viewport(), start, start - QPoint(120, 0));
    const QRect row = table_.visualRectForRow(IndexPath::forRow(1));
    TableViewCell* cell = table_.cellForRow(IndexPath::forRow(1));
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->swipeOffset(), -TableView::kDeleteButtonWidth) << "the row stays open";
    EXPECT_TRUE(source_.deleted.empty());

    test::click(table_.viewport(), QPoint(row.right() - 10, row.center().y()));
    EXPECT_EQ(source_.deleted, std::vector{IndexPath::forRow(1)});
    EXPECT_EQ(cell->swipeOffset(), 0);
}

TEST_F(TableViewInputTest, TappingElsewhereClosesASwipeWithoutSelecting)
{
    source_.deletable = true;
    const QPoint start = centreOf(1);
    test::drag(table_.viewport(), start, start - QPoint(120, 0));
    test::click(table_.viewport(), centreOf(4));
    EXPECT_TRUE(source_.selected.empty());
    EXPECT_TRUE(source_.deleted.empty());
    EXPECT_EQ(table_.cellForRow(IndexPath::forRow(1))->swipeOffset(), 0);
}

TEST_F(TableViewInputTest, RowsThatCannotBeDeletedDoNotSwipe)
{
    const QPoint start = centreOf(1);
    test::drag(table_.viewport(), start, start - QPoint(120, 0));
    EXPECT_EQ(table_.cellForRow(IndexPath::forRow(1))->swipeOffset(), 0);
    EXPECT_TRUE(source_.selected.empty()) << "a drag is not a tap";
}

TEST_F(TableViewInputTest, RightClickAsksForTheRowsContextMenu)
{
    test::rightClick(table_.viewport(), centreOf(3));
    EXPECT_EQ(source_.menus, std::vector{IndexPath::forRow(3)});
    EXPECT_TRUE(source_.selected.empty());
}

TEST_F(TableViewInputTest, LongPressAsksForTheContextMenuInsteadOfSelecting)
{
    test::press(table_.viewport(), centreOf(5));
    ASSERT_TRUE(test::waitFor([&] { return !source_.menus.empty(); }));
    test::release(table_.viewport(), centreOf(5));
    EXPECT_EQ(source_.menus, std::vector{IndexPath::forRow(5)});
    EXPECT_TRUE(source_.selected.empty());
}

TEST_F(TableViewInputTest, ClicksInTheSideMarginSelectNothing)
{
    test::click(table_.viewport(), QPoint(5, centreOf(2).y()));
    EXPECT_TRUE(source_.selected.empty());
}

} // namespace
} // namespace kavio::platform
