// Where rows, headers and footers lie, with heights asked only as far as looked at.

#include "platform/lists/TableViewGeometry.h"

#include "ListTestSupport.h"

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

} // namespace
} // namespace kavio::platform
