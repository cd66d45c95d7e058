#pragma once
// Vertical layout of a sectioned table without widgets. Row heights are asked for lazily,
// in order, only as far down as someone looks; rows not yet asked count at the estimated
// height. While every answer equals the estimate nothing is stored per row, so a table of
// any length that uses one height costs the same as a short one.

#include "platform/lists/IndexPath.h"

#include <functional>
#include <optional>
#include <vector>

namespace kavio::platform {

struct TableViewSectionMetrics {
    int rowCount = 0;
    int headerHeight = 0;
    int footerHeight = 0;
};

struct TableViewSpan {
    int top = 0;
    int height = 0;
    int bottom() const { return top + height; }
};

class TableViewGeometry {
public:
    // Returns a row's height; a negative answer means "the estimate".
    using RowHeightQuery = std::function<int(const IndexPath&)>;

    void reset(std::vector<TableViewSectionMetrics> sections, int estimatedRowHeight,
               RowHeightQuery query);
    // Space above the first section (insets, table header) and below the last.
    void setTop(int top);
    void setBottom(int bottom);
    void setFooterHeight(int section, int height);
    int top() const { return top_; }

    int sectionCount() const { return static_cast<int>(sections_.size()); }
    int rowCount(int section) const;
    bool isValid(const IndexPath& path) const;
    int contentHeight();

    TableViewSpan headerSpan(int section);
    TableViewSpan footerSpan(int section);
    TableViewSpan rowSpan(const IndexPath& path);

    // The first row whose bottom lies below y; nothing when no row ends below y.
    std::optional<IndexPath> rowAtOrAfter(int y);
    // The row that contains y, if any.
    std::optional<IndexPath> rowAt(int y);
    std::optional<IndexPath> next(const IndexPath& path) const;
    std::optional<IndexPath> previous(const IndexPath& path) const;
    std::optional<IndexPath> firstRow() const;
    std::optional<IndexPath> lastRow() const;

    // How many heights of a section have been asked for (for tests and benchmarks).
    int resolvedRowCount(int section) const;

private:
    struct Section {
        TableViewSectionMetrics metrics;
        int resolved = 0;       // rows whose heights are known, from row 0
        int resolvedHeight = 0; // their total
        std::vector<int> tops;  // row tops within the rows area; empty while uniform
    };

    int rowsHeight(const Section& s) const;
    int sectionHeight(const Section& s) const;
    int sectionTop(int section);
    void resolveRow(int section);
    void resolveThrough(int section, int row);
    int rowIndexAt(int section, int yInRows);
    void updateSectionTops();

    std::vector<Section> sections_;
    std::vector<int> sectionTops_;
    bool topsDirty_ = true;
    int estimate_ = 44;
    int top_ = 0;
    int bottom_ = 0;
    RowHeightQuery query_;
};

} // namespace kavio::platform
