#include "platform/lists/TableViewGeometry.h"

#include <algorithm>

namespace kavio::platform {

void TableViewGeometry::reset(std::vector<TableViewSectionMetrics> sections,
                              int estimatedRowHeight, RowHeightQuery query)
{
    sections_.clear();
    sections_.reserve(sections.size());
    for (const auto& m : sections)
        sections_.push_back(Section{m, 0, 0, {}});
    estimate_ = std::max(1, estimatedRowHeight);
    query_ = std::move(query);
    topsDirty_ = true;
}

void TableViewGeometry::setTop(int top)
{
    if (top_ != top) {
        top_ = top;
        topsDirty_ = true;
    }
}

void TableViewGeometry::setBottom(int bottom) { bottom_ = bottom; }

void TableViewGeometry::setFooterHeight(int section, int height)
{
    auto& m = sections_.at(static_cast<std::size_t>(section)).metrics;
    if (m.footerHeight != height) {
        m.footerHeight = height;
        topsDirty_ = true;
    }
}

int TableViewGeometry::rowCount(int section) const
{
    if (section < 0 || section >= sectionCount())
        return 0;
    return sections_[static_cast<std::size_t>(section)].metrics.rowCount;
}

bool TableViewGeometry::isValid(const IndexPath& path) const
{
    return path.row >= 0 && path.row < rowCount(path.section);
}

int TableViewGeometry::rowsHeight(const Section& s) const
{
    return s.resolvedHeight + (s.metrics.rowCount - s.resolved) * estimate_;
}

int TableViewGeometry::sectionHeight(const Section& s) const
{
    return s.metrics.headerHeight + rowsHeight(s) + s.metrics.footerHeight;
}

void TableViewGeometry::updateSectionTops()
{
    if (!topsDirty_)
        return;
    sectionTops_.resize(sections_.size());
    int y = top_;
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        sectionTops_[i] = y;
        y += sectionHeight(sections_[i]);
    }
    topsDirty_ = false;
}

int TableViewGeometry::sectionTop(int section)
{
    // Everything above a point is measured before that point is placed.
    for (int s = 0; s < section; ++s)
        resolveThrough(s, rowCount(s) - 1);
    updateSectionTops();
    return sectionTops_[static_cast<std::size_t>(section)];
}

int TableViewGeometry::contentHeight()
{
    if (sections_.empty())
        return top_ + bottom_;
    // Rows not yet measured count at the estimate.
    updateSectionTops();
    return sectionTops_.back() + sectionHeight(sections_.back()) + bottom_;
}

void TableViewGeometry::resolveRow(int section)
{
    Section& s = sections_[static_cast<std::size_t>(section)];
    int h = query_ ? query_(IndexPath{section, s.resolved}) : -1;
    if (h < 0)
        h = estimate_;
    if (s.tops.empty() && h != estimate_) {
        // First row that breaks the uniform run: from here on keep explicit tops.
        s.tops.reserve(static_cast<std::size_t>(s.metrics.rowCount) + 1);
        for (int i = 0; i <= s.resolved; ++i)
            s.tops.push_back(i * estimate_);
    }
    if (!s.tops.empty())
        s.tops.push_back(s.tops.back() + h);
    s.resolvedHeight += h;
    ++s.resolved;
    if (h != estimate_)
        topsDirty_ = true;
}

void TableViewGeometry::resolveThrough(int section, int row)
{
    const Section& s = sections_[static_cast<std::size_t>(section)];
    const int last = std::min(row, s.metrics.rowCount - 1);
    while (s.resolved <= last)
        resolveRow(section);
}

int TableViewGeometry::rowIndexAt(int section, int yInRows)
{
    const Section& s = sections_[static_cast<std::size_t>(section)];
    while (s.resolved < s.metrics.rowCount && s.resolvedHeight <= yInRows)
        resolveRow(section);
    int index = 0;
    if (s.tops.empty()) {
        index = yInRows / estimate_;
    } else {
        auto it = std::upper_bound(s.tops.begin(), s.tops.end(), yInRows);
        index = static_cast<int>(it - s.tops.begin()) - 1;
    }
    return std::clamp(index, 0, s.metrics.rowCount - 1);
}

TableViewSpan TableViewGeometry::headerSpan(int section)
{
    return {sectionTop(section), sections_[static_cast<std::size_t>(section)].metrics.headerHeight};
}

TableViewSpan TableViewGeometry::footerSpan(int section)
{
    const Section& s = sections_[static_cast<std::size_t>(section)];
    resolveThrough(section, s.metrics.rowCount - 1);
    return {sectionTop(section) + s.metrics.headerHeight + rowsHeight(s), s.metrics.footerHeight};
}

TableViewSpan TableViewGeometry::rowSpan(const IndexPath& path)
{
    if (!isValid(path))
        return {};
    resolveThrough(path.section, path.row);
    const Section& s = sections_[static_cast<std::size_t>(path.section)];
    const int rowsTop = sectionTop(path.section) + s.metrics.headerHeight;
    if (s.tops.empty())
        return {rowsTop + path.row * estimate_, estimate_};
    const auto r = static_cast<std::size_t>(path.row);
    return {rowsTop + s.tops[r], s.tops[r + 1] - s.tops[r]};
}

std::optional<IndexPath> TableViewGeometry::rowAtOrAfter(int y)
{
    for (int section = 0; section < sectionCount(); ++section) {
        const Section& s = sections_[static_cast<std::size_t>(section)];
        if (s.metrics.rowCount == 0)
            continue;
        const int rowsTop = sectionTop(section) + s.metrics.headerHeight;
        if (y < rowsTop)
            return IndexPath{section, 0};
        const int index = rowIndexAt(section, y - rowsTop);
        const IndexPath path{section, index};
        if (rowSpan(path).bottom() > y)
            return path;
        // Sections passed over are measured in full so what lies above stays put.
        resolveThrough(section, s.metrics.rowCount - 1);
    }
    return std::nullopt;
}

std::optional<IndexPath> TableViewGeometry::rowAt(int y)
{
    auto path = rowAtOrAfter(y);
    if (path && rowSpan(*path).top <= y)
        return path;
    return std::nullopt;
}

std::optional<IndexPath> TableViewGeometry::next(const IndexPath& path) const
{
    if (path.row + 1 < rowCount(path.section))
        return IndexPath{path.section, path.row + 1};
    for (int section = path.section + 1; section < sectionCount(); ++section) {
        if (rowCount(section) > 0)
            return IndexPath{section, 0};
    }
    return std::nullopt;
}

std::optional<IndexPath> TableViewGeometry::previous(const IndexPath& path) const
{
    if (path.row > 0 && path.row <= rowCount(path.section))
        return IndexPath{path.section, path.row - 1};
    for (int section = std::min(path.section, sectionCount()) - 1; section >= 0; --section) {
        if (rowCount(section) > 0)
            return IndexPath{section, rowCount(section) - 1};
    }
    return std::nullopt;
}

std::optional<IndexPath> TableViewGeometry::firstRow() const
{
    return next(IndexPath{-1, 0});
}

std::optional<IndexPath> TableViewGeometry::lastRow() const
{
    return previous(IndexPath{sectionCount(), 0});
}

int TableViewGeometry::resolvedRowCount(int section) const
{
    return sections_.at(static_cast<std::size_t>(section)).resolved;
}

} // namespace kavio::platform
