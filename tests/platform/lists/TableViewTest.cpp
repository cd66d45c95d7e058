// Where a table's rows lie, with heights asked only as far as looked at; what it asks its data
// source for and where it puts rows; keys, swipes, long presses and context menus on it.

#include "platform/lists/TableViewGeometry.h"

#include "ListTestSupport.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

#include <set>

namespace kavio::platform {
namespace {

class TableViewGeometryTest : public ::testing::Test {
protected:
    // Sections of these row counts, 44 by default, with the given exceptions.
    void build(std::vector<TableViewSectionMetrics> sections, std::map<IndexPath, int> heights = {})
    {
        heights_ = std::move(heights);
        geometry_.reset(std::move(sections), 44, [this](const IndexPath& p) {
            ++asked_;
            auto it = heights_.find(p);
            return it == heights_.end() ? -1 : it->second;
        });
    }

    TableViewGeometry geometry_;
    std::map<IndexPath, int> heights_;
    int asked_ = 0;
};

TEST_F(TableViewGeometryTest, HeightsAreAskedOnlyAsFarDownAsLookedAt)
{
    build({{10000, 0, 0}});
    geometry_.setTop(100);
    EXPECT_EQ(geometry_.contentHeight(), 100 + 10000 * 44);
    EXPECT_EQ(geometry_.rowAtOrAfter(0), IndexPath::forRow(0));
    EXPECT_LE(asked_, 2);
    EXPECT_EQ(geometry_.rowSpan(IndexPath::forRow(2)).top, 100 + 88);
    geometry_.rowAtOrAfter(100 + 44 * 20);
    EXPECT_EQ(geometry_.resolvedRowCount(0), 21);
    const int asked = asked_;
    geometry_.rowAtOrAfter(100 + 44 * 20);
    EXPECT_EQ(asked_, asked) << "answers are kept";
}

TEST_F(TableViewGeometryTest, FindsTheRowUnderAPoint)
{
    // Two sections: header 30, rows 80, 50, 50, footer 10; then header 20, rows 44, 44.
    build({{3, 30, 10}, {2, 20, 0}},
          {{IndexPath::forRow(0), 80}, {IndexPath::forRow(1), 50}, {IndexPath::forRow(2), 50}});
    EXPECT_EQ(geometry_.rowAt(0), std::nullopt) << "header";
    EXPECT_EQ(geometry_.rowAt(30), IndexPath::forRow(0)) << "first row starts";
    EXPECT_EQ(geometry_.rowAt(109), IndexPath::forRow(0)) << "its last point";
    EXPECT_EQ(geometry_.rowAt(110), IndexPath::forRow(1));
    EXPECT_EQ(geometry_.rowAt(209), IndexPath::forRow(2)) << "last row of section 0";
    EXPECT_EQ(geometry_.rowAt(215), std::nullopt) << "footer";
    EXPECT_EQ(geometry_.rowAt(240), IndexPath::forRow(0, 1)) << "after header 20";
    EXPECT_EQ(geometry_.rowAt(284), IndexPath::forRow(1, 1));
    EXPECT_EQ(geometry_.rowAt(400), std::nullopt) << "past the end";
}

TEST_F(TableViewGeometryTest, NextAndPreviousSkipEmptySections)
{
    build({{1, 0, 0}, {0, 0, 0}, {2, 0, 0}});
    EXPECT_EQ(geometry_.next(IndexPath::forRow(0, 0)), IndexPath::forRow(0, 2));
    EXPECT_EQ(geometry_.previous(IndexPath::forRow(0, 2)), IndexPath::forRow(0, 0));
    EXPECT_EQ(geometry_.lastRow(), IndexPath::forRow(1, 2));
    EXPECT_EQ(geometry_.next(IndexPath::forRow(1, 2)), std::nullopt);
    build({});
    EXPECT_EQ(geometry_.firstRow(), std::nullopt);
}

template <int Rows, TableViewStyle Style>
class TableTest : public ::testing::Test, public test::ShownTable {
protected:
    TableTest() : ShownTable(Rows, Style) {}

    int liveCells() const { return static_cast<int>(table.viewport()->findChildren<TableViewCell*>().size()); }
    void click(QPoint at) { QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, at); }
};

class TableViewTest : public TableTest<10000, TableViewStyle::Plain> {
protected:
    static constexpr int kViewportHeight = 600;
    // Rows on screen plus the overscan either side, plus one partly shown.
    static constexpr int kMaxRealized = kViewportHeight / kPitch + 1 + 2 * TableView::kOverscanRows;
};

TEST_F(TableViewTest, TenThousandRowsAskOnlyForTheRowsOnScreenAndScrollToRowLandsWhereAsked)
{
    EXPECT_EQ(table.numberOfRowsInSection(0), 10000);
    EXPECT_TRUE(source.cellRequests.empty()) << "nothing before the table is shown";
    source.footerTitle = "The end"; // far below: must not measure the section
    open();
    EXPECT_LE(source.cellRequests.size(), static_cast<std::size_t>(kMaxRealized));
    EXPECT_LE(table.measuredRowCount(0), kMaxRealized) << "heights are asked lazily too";
    table.scrollToRow(IndexPath::forRow(500), TableViewScrollPosition::Top, Animated::No);
    EXPECT_EQ(table.contentOffset(), 500 * kPitch);
    table.scrollToRow(IndexPath::forRow(490), TableViewScrollPosition::None, Animated::No);
    EXPECT_EQ(table.contentOffset(), 490 * kPitch);
    source.cellRequests.clear();
    table.scrollToRow(IndexPath::forRow(9999), TableViewScrollPosition::Bottom, Animated::No);
    EXPECT_LE(source.cellRequests.size(), static_cast<std::size_t>(kMaxRealized));
    for (const IndexPath& p : source.cellRequests)
        EXPECT_GE(p.row, 10000 - kMaxRealized);
    EXPECT_NE(cell(9999), nullptr);
}

TEST_F(TableViewTest, ScrollingDownAsksForEachRowOnceDisplaysItBeforeItShowsAndReusesTheCellsThatLeft)
{
    source.rows = 1000;
    source.reuseIdentifier = "Row";
    open();
    ASSERT_NE(cell(0), nullptr);
    EXPECT_TRUE(cell(0)->isVisible());
    EXPECT_EQ(cell(0)->textLabel()->text(), "Row 0") << "as willDisplayCell set it";
    const int madeForOneScreen = source.cellsMade;
    QScrollBar* bar = table.verticalScrollBar();
    int maxLive = 0;
    while (bar->value() < bar->maximum()) {
        bar->setValue(bar->value() + kViewportHeight / 2);
        maxLive = std::max(maxLive, liveCells());
    }
    std::set<IndexPath> unique(source.cellRequests.begin(), source.cellRequests.end());
    EXPECT_EQ(unique.size(), source.cellRequests.size()) << "no row asked twice";
    EXPECT_EQ(source.cellRequests.size(), 1000u) << "every row passed on the way";
    EXPECT_EQ(source.displayed, source.cellRequests);
    EXPECT_EQ(std::count(source.visibleWhenDisplayed.begin(), source.visibleWhenDisplayed.end(), true), 0);
    EXPECT_LE(maxLive, kMaxRealized);
    EXPECT_LT(source.cellsMade, 2 * madeForOneScreen) << "cells that left were handed out again";
}

TEST_F(TableViewTest, HeaderViewSitsAboveRowZeroAndScrollsWithIt)
{
    auto* header = new QLabel("banner");
    header->resize(400, 100);
    open();
    table.setTableHeaderView(header);
    const int rowTop = table.visualRectForRow(IndexPath::forRow(0)).top();
    EXPECT_EQ(header->geometry(), QRect(0, 0, table.viewport()->width(), 100));
    EXPECT_GE(rowTop, 100);
    table.setContentOffset(40, Animated::No);
    EXPECT_EQ(header->y(), -40);
    EXPECT_EQ(table.visualRectForRow(IndexPath::forRow(0)).top(), rowTop - 40);
}

TEST_F(TableViewTest, RowHeightsFromTheDataSourceAreHonouredAndReloadAsksAgain)
{
    source.rows = 4;
    source.heights = {{IndexPath::forRow(0), 80}, {IndexPath::forRow(2), 30}};
    open();
    EXPECT_EQ(cell(2)->geometry(), QRect(0, 140, 400, 30)) << "below an 80-point row and a 60-point one";
    EXPECT_EQ(cell(3)->geometry(), QRect(0, 170, 400, 60));
    source.cellRequests.clear();
    source.rows = 2;
    table.reloadData();
    EXPECT_EQ(source.cellRequests.size(), 2u) << "only the rows on screen";
}

class TableViewInputTest : public TableTest<20, TableViewStyle::InsetGrouped> {
protected:
    void SetUp() override { open(); }

    int swipeOffset(int row) { return cell(row)->swipeOffset(); }
    void swipe(int row) { test::drag(table.viewport(), centreOf(row), centreOf(row) - QPoint(120, 0)); }
    void keys(std::initializer_list<Qt::Key> keys)
    {
        for (Qt::Key key : keys)
            QTest::keyClick(&table, key);
    }
};

TEST_F(TableViewInputTest, ArrowsHomeAndEndMoveInViewAndEnterSelects)
{
    keys({Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_Return}); // the first Down shows row 0
    keys({Qt::Key_End});
    EXPECT_TRUE(table.viewport()->rect().contains(table.visualRectForRow(IndexPath::forRow(19))));
    keys({Qt::Key_Return, Qt::Key_Home, Qt::Key_Return});
    EXPECT_EQ(chosen(), (std::vector{1, 19, 0}));
}

TEST_F(TableViewInputTest, ClickSelectsTheRowUnderThePointerAndDeleteKeyCommitsOnlyWhereTheDelegateAllows)
{
    click(QPoint(5, centreOf(2).y())); // the side margin
    EXPECT_TRUE(source.selected.empty());
    click(centreOf(2));
    ASSERT_EQ(chosen(), std::vector{2});
    EXPECT_TRUE(cell(2)->isSelected());
    table.deselectRow(IndexPath::forRow(2), Animated::Yes);
    EXPECT_FALSE(cell(2)->isSelected());
    keys({Qt::Key_Delete});
    EXPECT_TRUE(source.deleted.empty());
    source.deletable = true;
    keys({Qt::Key_Backspace}); // goes back in a navigation stack instead
    EXPECT_TRUE(source.deleted.empty());
    keys({Qt::Key_Delete, Qt::Key_F2});
    EXPECT_EQ(source.deleted, std::vector{IndexPath::forRow(2)});
    EXPECT_EQ(source.renamed, std::vector{IndexPath::forRow(2)});
}

TEST_F(TableViewInputTest, SwipeUncoversDeleteOnlyOnDeletableRowsAndNeverSelects)
{
    swipe(1);
    EXPECT_EQ(swipeOffset(1), 0) << "rows that cannot be deleted do not swipe";
    source.deletable = true;
    swipe(1);
    EXPECT_EQ(swipeOffset(1), -TableView::kDeleteButtonWidth) << "the row stays open";
    click(centreOf(4));
    EXPECT_EQ(swipeOffset(1), 0) << "a tap elsewhere closes it";
    EXPECT_TRUE(source.selected.empty() && source.deleted.empty());
    swipe(1);
    const QRect row = table.visualRectForRow(IndexPath::forRow(1));
    click(QPoint(row.right() - 10, row.center().y()));
    EXPECT_EQ(source.deleted, std::vector{IndexPath::forRow(1)});
    EXPECT_EQ(swipeOffset(1), 0);
    EXPECT_TRUE(source.selected.empty());
}

// Without a mouse: the menu key and Shift+F10 both open the current row's menu.
TEST_F(TableViewInputTest, RightClickLongPressMenuKeyAndShiftF10AskForTheContextMenuInsteadOfSelecting)
{
    QContextMenuEvent menu(QContextMenuEvent::Mouse, centreOf(3), table.viewport()->mapToGlobal(centreOf(3)));
    QApplication::sendEvent(table.viewport(), &menu);
    QTest::mousePress(table.viewport(), Qt::LeftButton, {}, centreOf(5));
    ASSERT_TRUE(QTest::qWaitFor([&] { return source.menus.size() == 2; }));
    QTest::mouseRelease(table.viewport(), Qt::LeftButton, {}, centreOf(5));
    QTest::touchEvent(table.viewport(), test::touchScreen()).press(0, centreOf(7), table.viewport());
    ASSERT_TRUE(QTest::qWaitFor([&] { return source.menus.size() == 3; }));
    QTest::touchEvent(table.viewport(), test::touchScreen()).release(0, centreOf(7), table.viewport());
    EXPECT_EQ(test::rowsOf(source.menus), (std::vector{3, 5, 7}));

    source.menus.clear();
    keys({Qt::Key_Home, Qt::Key_Down, Qt::Key_Down}); // row 2
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(), QCursor::pos());
    QApplication::sendEvent(&table, &menuKey);
    QTest::keyClick(&table, Qt::Key_F10, Qt::ShiftModifier);
    keys({Qt::Key_F10}); // plain F10 is not the menu
    EXPECT_EQ(test::rowsOf(source.menus), (std::vector{2, 2}));
    EXPECT_TRUE(source.selected.empty());
}

// Tabbed into, the list rings a row at once; the ring goes with the focus, so one ring
// shows in the window at a time.
TEST_F(TableViewInputTest, TabbingInRingsARowAndLeavingTakesTheRing)
{
    auto* other = new QLineEdit(&table); // another control of the same window
    other->show();
    QApplication::setActiveWindow(&table);
    other->setFocus();
    table.setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    ASSERT_TRUE(cell(0));
    EXPECT_TRUE(cell(0)->showsFocusIndicator());
    other->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_FALSE(cell(0)->showsFocusIndicator());
    table.reloadData();
    QApplication::processEvents();
    ASSERT_TRUE(cell(0));
    EXPECT_FALSE(cell(0)->showsFocusIndicator()) << "not back on a relaid row";
}

} // namespace
} // namespace kavio::platform
