// Keys, swipes, long presses and context menus on a table.

#include "ListTestSupport.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QLineEdit>

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
    int swipeOffset(int row) { return table_.cellForRow(IndexPath::forRow(row))->swipeOffset(); }
    void swipe(int row) { test::drag(table_.viewport(), centreOf(row), centreOf(row) - QPoint(120, 0)); }

    RecordingTable source_{20};
    TableView table_{TableViewStyle::InsetGrouped};
};

TEST_F(TableViewInputTest, ArrowsHomeAndEndMoveInViewAndEnterSelects)
{
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_Return}) // first Down shows row 0
        QTest::keyClick(&table_, key);
    QTest::keyClick(&table_, Qt::Key_End);
    EXPECT_TRUE(table_.viewport()->rect().contains(table_.visualRectForRow(IndexPath::forRow(19))));
    QTest::keyClick(&table_, Qt::Key_Return);
    QTest::keyClick(&table_, Qt::Key_Home);
    QTest::keyClick(&table_, Qt::Key_Return);
    EXPECT_EQ(source_.selected, (std::vector{IndexPath::forRow(1), IndexPath::forRow(19), IndexPath::forRow(0)}));
}

TEST_F(TableViewInputTest, DeleteKeyCommitsOnlyWhereTheDelegateAllowsItAndBackspaceNever)
{
    QTest::mouseClick(table_.viewport(), Qt::LeftButton, {}, centreOf(2));
    QTest::keyClick(&table_, Qt::Key_Delete);
    EXPECT_TRUE(source_.deleted.empty());
    source_.deletable = true;
    QTest::keyClick(&table_, Qt::Key_Backspace); // goes back in a navigation stack instead
    EXPECT_TRUE(source_.deleted.empty());
    QTest::keyClick(&table_, Qt::Key_Delete);
    EXPECT_EQ(source_.deleted, std::vector{IndexPath::forRow(2)});
    QTest::keyClick(&table_, Qt::Key_F2);
    EXPECT_EQ(source_.renamed, std::vector{IndexPath::forRow(2)});
}

TEST_F(TableViewInputTest, SwipeUncoversDeleteOnlyOnDeletableRowsAndNeverSelects)
{
    swipe(1);
    EXPECT_EQ(swipeOffset(1), 0) << "rows that cannot be deleted do not swipe";
    source_.deletable = true;
    swipe(1);
    EXPECT_EQ(swipeOffset(1), -TableView::kDeleteButtonWidth) << "the row stays open";
    QTest::mouseClick(table_.viewport(), Qt::LeftButton, {}, centreOf(4));
    EXPECT_EQ(swipeOffset(1), 0) << "a tap elsewhere closes it";
    EXPECT_TRUE(source_.selected.empty() && source_.deleted.empty());
    swipe(1);
    const QRect row = table_.visualRectForRow(IndexPath::forRow(1));
    QTest::mouseClick(table_.viewport(), Qt::LeftButton, {}, QPoint(row.right() - 10, row.center().y()));
    EXPECT_EQ(source_.deleted, std::vector{IndexPath::forRow(1)});
    EXPECT_EQ(swipeOffset(1), 0);
    EXPECT_TRUE(source_.selected.empty());
}

TEST_F(TableViewInputTest, RightClickAndLongPressOfMouseOrFingerAskForTheContextMenuInsteadOfSelecting)
{
    QContextMenuEvent menu(QContextMenuEvent::Mouse, centreOf(3), table_.viewport()->mapToGlobal(centreOf(3)));
    QApplication::sendEvent(table_.viewport(), &menu);
    QTest::mousePress(table_.viewport(), Qt::LeftButton, {}, centreOf(5));
    ASSERT_TRUE(QTest::qWaitFor([&] { return source_.menus.size() == 2; }));
    QTest::mouseRelease(table_.viewport(), Qt::LeftButton, {}, centreOf(5));
    QTest::touchEvent(table_.viewport(), test::touchScreen()).press(0, centreOf(7), table_.viewport());
    ASSERT_TRUE(QTest::qWaitFor([&] { return source_.menus.size() == 3; }));
    QTest::touchEvent(table_.viewport(), test::touchScreen()).release(0, centreOf(7), table_.viewport());
    EXPECT_EQ(source_.menus, (std::vector{IndexPath::forRow(3), IndexPath::forRow(5), IndexPath::forRow(7)}));
    QTest::mouseClick(table_.viewport(), Qt::LeftButton, {}, QPoint(5, centreOf(2).y())); // the side margin
    EXPECT_TRUE(source_.selected.empty());
}

// Without a mouse: the menu key and Shift+F10 both open the current row's menu.
TEST_F(TableViewInputTest, MenuKeyAndShiftF10AskForTheCurrentRowsMenu)
{
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down}) // row 2
        QTest::keyClick(&table_, key);
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(), QCursor::pos());
    QApplication::sendEvent(&table_, &menuKey);
    QTest::keyClick(&table_, Qt::Key_F10, Qt::ShiftModifier);
    QTest::keyClick(&table_, Qt::Key_F10); // plain F10 is not the menu
    EXPECT_EQ(source_.menus, (std::vector{IndexPath::forRow(2), IndexPath::forRow(2)}));
    EXPECT_TRUE(source_.selected.empty());
}

// Tabbed into, the list rings a row at once; the ring goes with the focus, so one ring
// shows in the window at a time.
TEST_F(TableViewInputTest, TabbingInRingsARowAndLeavingTakesTheRing)
{
    auto* other = new QLineEdit(&table_); // another control of the same window
    other->show();
    QApplication::setActiveWindow(&table_);
    other->setFocus();
    table_.setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    TableViewCell* first = table_.cellForRow(IndexPath::forRow(0));
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->showsFocusIndicator());
    other->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_FALSE(first->showsFocusIndicator());
    table_.reloadData();
    QApplication::processEvents();
    ASSERT_TRUE(table_.cellForRow(IndexPath::forRow(0)));
    EXPECT_FALSE(table_.cellForRow(IndexPath::forRow(0))->showsFocusIndicator()) << "not back on a relaid row";
}

} // namespace
} // namespace kavio::platform
