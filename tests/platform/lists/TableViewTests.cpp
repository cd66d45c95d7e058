// What a table asks its data source for, where it puts rows, headers and cells.

#include "platform/TableView.h"

#include "platform/TableViewCell.h"
#include "platform/TableViewCellLabel.h"

#include "ListTestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <algorithm>
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

    int liveCells() const
    {
        return static_cast<int>(table_->viewport()->findChildren<TableViewCell*>().size());
    }

    RecordingTable source_{10000};
    std::unique_ptr<TableView> table_;
};

TEST_F(TableViewTest, OpeningAsksOnlyForRowsOnScreen)
{
    open();
    EXPECT_GE(source_.cellRequests.size(), static_cast<std::size_t>(kViewportHeight / kRowHeight));
    EXPECT_LE(source_.cellRequests.size(), static_cast<std::size_t>(kMaxRealized));
    EXPECT_LE(table_->measuredRowCount(0), kMaxRealized) << "heights are asked lazily too";
}

TEST_F(TableViewTest, AFooterFarBelowDoesNotMeasureTheSection)
{
    source_.footerTitle = "The end";
    open(TableViewStyle::InsetGrouped);
    EXPECT_LE(table_->measuredRowCount(0), kMaxRealized);
}

TEST_F(TableViewTest, NothingIsAskedBeforeTheTableIsShown)
{
    TableView table;
    table.setDataSource(&source_);
    table.setDelegate(&source_);
    EXPECT_TRUE(source_.cellRequests.empty());
    EXPECT_EQ(table.numberOfRowsInSection(0), 10000);
    EXPECT_TRUE(source_.cellRequests.empty());
}

TEST_F(TableViewTest, JumpingToTheEndAsksOnlyForTheLastRows)
{
    open();
    source_.cellRequests.clear();
    table_->scrollToRow(IndexPath::forRow(9999), TableViewScrollPosition::Bottom, Animated::No);
    EXPECT_LE(source_.cellRequests.size(), static_cast<std::size_t>(kMaxRealized));
    for (const IndexPath& p : source_.cellRequests)
        EXPECT_GE(p.row, 10000 - kMaxRealized);
    EXPECT_NE(table_->cellForRow(IndexPath::forRow(9999)), nullptr);
}

TEST_F(TableViewTest, ScrollingDownAsksForEachRowOnceAndReleasesTheRest)
{
    source_.rows = 1000;
    open();
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
}

TEST_F(TableViewTest, WillDisplayCellComesBeforeTheCellShows)
{
    open();
    ASSERT_FALSE(source_.displayed.empty());
    EXPECT_EQ(source_.displayed, source_.cellRequests);
    for (bool visible : source_.visibleWhenDisplayed)
        EXPECT_FALSE(visible);
    TableViewCell* cell = table_->cellForRow(IndexPath::forRow(0));
    ASSERT_NE(cell, nullptr);
    EXPECT_TRUE(cell->isVisible());
    EXPECT_EQ(cell->textLabel()->text(), "Row 0");
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

TEST_F(TableViewTest, RowHeightsFromTheDataSourceAreHonoured)
{
    source_.rows = 4;
    source_.heights = {{IndexPath::forRow(0), 80}, {IndexPath::forRow(2), 30}};
    open();
    const std::vector<std::pair<int, QRect>> expected = {
        {0, QRect(0, 0, 400, 80)},
        {1, QRect(0, 80, 400, 60)},
        {2, QRect(0, 140, 400, 30)},
        {3, QRect(0, 170, 400, 60)},
    };
    for (const auto& [row, rect] : expected) {
        EXPECT_EQ(table_->rectForRow(IndexPath::forRow(row)), rect) << "row " << row;
        EXPECT_EQ(table_->cellForRow(IndexPath::forRow(row))->geometry(), rect) << "row " << row;
    }
    EXPECT_EQ(table_->contentHeight(), 230);
}

TEST_F(TableViewTest, InsetGroupedRowsAreInsetAndRoundedAtSectionEnds)
{
    source_.sections = {3, 1};
    open(TableViewStyle::InsetGrouped);
    const auto deco = [&](int row, int section) {
        return table_->cellForRow(IndexPath::forRow(row, section))->decoration();
    };
    EXPECT_EQ(table_->rectForRow(IndexPath::forRow(0)).left(), TableView::kInsetGroupedMargin);
    EXPECT_EQ(table_->rectForRow(IndexPath::forRow(0)).width(), 400 - 2 * TableView::kInsetGroupedMargin);
    EXPECT_TRUE(deco(0, 0).roundTop);
    EXPECT_FALSE(deco(0, 0).roundBottom);
    EXPECT_TRUE(deco(0, 0).separator);
    EXPECT_FALSE(deco(1, 0).roundTop || deco(1, 0).roundBottom);
    EXPECT_TRUE(deco(2, 0).roundBottom);
    EXPECT_FALSE(deco(2, 0).separator) << "no line under a section's last row";
    EXPECT_TRUE(deco(0, 1).roundTop && deco(0, 1).roundBottom);
    EXPECT_GT(table_->rectForRow(IndexPath::forRow(0, 1)).top(),
              table_->rectForRow(IndexPath::forRow(2, 0)).bottom() + 1) << "sections are apart";
}

TEST_F(TableViewTest, SectionTitlesMakeRoomAboveTheirRows)
{
    source_.sections = {1, 1};
    source_.headerTitles = {"First", ""};
    open(TableViewStyle::InsetGrouped);
    EXPECT_GT(table_->rectForRow(IndexPath::forRow(0, 0)).top(), 35);
}

TEST_F(TableViewTest, ReloadAsksAgainForTheRowsOnScreen)
{
    source_.rows = 3;
    open();
    source_.cellRequests.clear();
    source_.rows = 2;
    table_->reloadData();
    EXPECT_EQ(source_.cellRequests.size(), 2u);
    EXPECT_EQ(table_->numberOfRowsInSection(0), 2);
}

TEST_F(TableViewTest, CellsWithAnIdentifierAreReused)
{
    source_.reuseIdentifier = "Row";
    open();
    const int made = source_.cellsMade;
    table_->setContentOffset(kViewportHeight * 3, Animated::No);
    table_->setContentOffset(kViewportHeight * 6, Animated::No);
    EXPECT_LT(source_.cellsMade, 2 * made) << "cells that left were handed out again";
}

TEST_F(TableViewTest, CellsBuiltAnewAreNotKeptEvenWithAnIdentifier)
{
    source_.reuseIdentifier = "CarCell";
    source_.dequeue = false;
    open();
    table_->setContentOffset(kViewportHeight * 3, Animated::No);
    table_->setContentOffset(kViewportHeight * 6, Animated::No);
    EXPECT_LE(liveCells(), kMaxRealized);
}

TEST_F(TableViewTest, ClickSelectsTheRowUnderThePointerAndDeselectClearsIt)
{
    open();
    const QRect row3 = table_->visualRectForRow(IndexPath::forRow(3));
    test::click(table_->viewport(), row3.center());
    ASSERT_EQ(source_.selected, std::vector{IndexPath::forRow(3)});
    EXPECT_EQ(table_->indexPathForSelectedRow(), IndexPath::forRow(3));
    EXPECT_TRUE(table_->cellForRow(IndexPath::forRow(3))->isSelected());

    table_->deselectRow(IndexPath::forRow(3), Animated::Yes);
    EXPECT_EQ(table_->indexPathForSelectedRow(), std::nullopt);
    EXPECT_FALSE(table_->cellForRow(IndexPath::forRow(3))->isSelected());
}

TEST_F(TableViewTest, ScrollToRowBringsItOnScreen)
{
    open();
    table_->scrollToRow(IndexPath::forRow(500), TableViewScrollPosition::Top, Animated::No);
    EXPECT_EQ(table_->contentOffset(), 500 * kRowHeight);
    EXPECT_EQ(table_->indexPathsForVisibleRows().front(), IndexPath::forRow(500));
    table_->scrollToRow(IndexPath::forRow(490), TableViewScrollPosition::None, Animated::No);
    EXPECT_EQ(table_->contentOffset(), 490 * kRowHeight);
}

} // namespace
} // namespace kavio::platform
