// What a table asks its data source for and where it puts rows.

#include "ListTestSupport.h"

#include <QLabel>
#include <QScrollBar>

#include <set>

namespace kavio::platform {
namespace {

using test::RecordingTable;

class TableViewTest : public ::testing::Test {
protected:
    static constexpr int kRowHeight = 60;
    static constexpr int kViewportHeight = 600;
    // Rows on screen plus the overscan either side, plus one partly shown.
    static constexpr int kMaxRealized = kViewportHeight / kRowHeight + 1 + 2 * TableView::kOverscanRows;

    void open(TableViewStyle style = TableViewStyle::Plain)
    {
        table_ = std::make_unique<TableView>(style);
        table_->setRowHeight(kRowHeight);
        table_->setDataSource(&source_);
        table_->setDelegate(&source_);
        table_->resize(400, kViewportHeight);
        table_->show();
        QApplication::processEvents();
    }

    int liveCells() const { return static_cast<int>(table_->viewport()->findChildren<TableViewCell*>().size()); }
    TableViewCell* cell(int row, int section = 0) { return table_->cellForRow(IndexPath::forRow(row, section)); }

    RecordingTable source_{10000};
    std::unique_ptr<TableView> table_;
};

TEST_F(TableViewTest, TenThousandRowsAskOnlyForTheRowsOnScreen)
{
    {
        TableView hidden;
        hidden.setDataSource(&source_);
        EXPECT_EQ(hidden.numberOfRowsInSection(0), 10000);
        EXPECT_TRUE(source_.cellRequests.empty()) << "nothing before the table is shown";
    }
    source_.footerTitle = "The end"; // far below: must not measure the section
    open(TableViewStyle::InsetGrouped);
    EXPECT_GE(source_.cellRequests.size(), static_cast<std::size_t>(kViewportHeight / kRowHeight) - 1);
    EXPECT_LE(source_.cellRequests.size(), static_cast<std::size_t>(kMaxRealized));
    EXPECT_LE(table_->measuredRowCount(0), kMaxRealized) << "heights are asked lazily too";
}

TEST_F(TableViewTest, ScrollToRowLandsWhereAskedAndJumpingToTheEndAsksOnlyForTheLastRows)
{
    open();
    table_->scrollToRow(IndexPath::forRow(500), TableViewScrollPosition::Top, Animated::No);
    EXPECT_EQ(table_->contentOffset(), 500 * kRowHeight);
    table_->scrollToRow(IndexPath::forRow(490), TableViewScrollPosition::None, Animated::No);
    EXPECT_EQ(table_->contentOffset(), 490 * kRowHeight);
    source_.cellRequests.clear();
    table_->scrollToRow(IndexPath::forRow(9999), TableViewScrollPosition::Bottom, Animated::No);
    EXPECT_LE(source_.cellRequests.size(), static_cast<std::size_t>(kMaxRealized));
    for (const IndexPath& p : source_.cellRequests)
        EXPECT_GE(p.row, 10000 - kMaxRealized);
    EXPECT_NE(cell(9999), nullptr);
}

TEST_F(TableViewTest, ScrollingDownAsksForEachRowOnceAndReusesTheCellsThatLeft)
{
    source_.rows = 1000;
    source_.reuseIdentifier = "Row";
    open();
    const int madeForOneScreen = source_.cellsMade;
    QScrollBar* bar = table_->verticalScrollBar();
    int maxLive = 0;
    while (bar->value() < bar->maximum()) {
        bar->setValue(bar->value() + kViewportHeight / 2);
        maxLive = std::max(maxLive, liveCells());
    }
    std::set<IndexPath> unique(source_.cellRequests.begin(), source_.cellRequests.end());
    EXPECT_EQ(unique.size(), source_.cellRequests.size()) << "no row asked twice";
    EXPECT_EQ(source_.cellRequests.size(), 1000u) << "every row passed on the way";
    EXPECT_LE(maxLive, kMaxRealized);
    EXPECT_LT(source_.cellsMade, 2 * madeForOneScreen) << "cells that left were handed out again";
}

TEST_F(TableViewTest, WillDisplayCellComesBeforeTheCellShows)
{
    open();
    ASSERT_FALSE(source_.displayed.empty());
    EXPECT_EQ(source_.displayed, source_.cellRequests);
    for (bool visible : source_.visibleWhenDisplayed)
        EXPECT_FALSE(visible);
    ASSERT_NE(cell(0), nullptr);
    EXPECT_TRUE(cell(0)->isVisible());
    EXPECT_EQ(cell(0)->textLabel()->text(), "Row 0");
}

TEST_F(TableViewTest, HeaderViewSitsAboveRowZeroAndScrollsWithIt)
{
    auto* header = new QLabel("banner");
    header->resize(400, 100);
    open();
    table_->setTableHeaderView(header);
    const int rowTop = table_->visualRectForRow(IndexPath::forRow(0)).top();
    EXPECT_EQ(header->geometry(), QRect(0, 0, table_->viewport()->width(), 100));
    EXPECT_GE(rowTop, 100);
    table_->setContentOffset(40, Animated::No);
    EXPECT_EQ(header->y(), -40);
    EXPECT_EQ(table_->visualRectForRow(IndexPath::forRow(0)).top(), rowTop - 40);
}

TEST_F(TableViewTest, RowHeightsFromTheDataSourceAreHonouredAndReloadAsksAgain)
{
    source_.rows = 4;
    source_.heights = {{IndexPath::forRow(0), 80}, {IndexPath::forRow(2), 30}};
    open();
    const QRect expected[] = {{0, 0, 400, 80}, {0, 80, 400, 60}, {0, 140, 400, 30}, {0, 170, 400, 60}};
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(cell(row)->geometry(), expected[row]) << "row " << row;
    source_.cellRequests.clear();
    source_.rows = 2;
    table_->reloadData();
    EXPECT_EQ(source_.cellRequests.size(), 2u) << "only the rows on screen";
}

TEST_F(TableViewTest, ClickSelectsTheRowUnderThePointerAndDeselectClearsIt)
{
    open();
    QTest::mouseClick(table_->viewport(), Qt::LeftButton, {}, table_->visualRectForRow(IndexPath::forRow(3)).center());
    ASSERT_EQ(source_.selected, std::vector{IndexPath::forRow(3)});
    EXPECT_TRUE(cell(3)->isSelected());
    table_->deselectRow(IndexPath::forRow(3), Animated::Yes);
    EXPECT_FALSE(cell(3)->isSelected());
}

} // namespace
} // namespace kavio::platform
