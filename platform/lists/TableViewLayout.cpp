// TableView's model and layout: loading section counts and titles, measuring what is on
// screen, building cells for the rows in view and letting go of the others, painting
// what lies between cells.

#include "platform/lists/TableView.h"

#include "platform/lists/RefreshControl.h"

#include <QPainter>

#include <algorithm>

namespace kavio::platform {

namespace {

constexpr int kMaxPooledCells = 16;
constexpr int kTitlePixels = 13;
constexpr int kTitleInset = 16;

QFont titleFont(const QWidget& w)
{
    QFont f = w.font();
    f.setPixelSize(kTitlePixels);
    return f;
}

} // namespace

void TableView::ensureLoaded()
{
    if (needsReload_)
        loadSections();
}

void TableView::loadSections()
{
    needsReload_ = false;
    for (auto& [path, cell] : cells_)
        retireCell(cell, path, Retire::Later);
    cells_.clear();
    for (auto& [section, view] : sectionHeaders_) {
        view->hide();
        view->deleteLater();
    }
    sectionHeaders_.clear();
    swiped_.reset();
    swipeOffset_ = 0;
    selected_.reset();
    titles_.clear();

    std::vector<TableViewSectionMetrics> metrics;
    const int sections = dataSource_ ? std::max(0, dataSource_->numberOfSections(*this)) : 0;
    for (int s = 0; s < sections; ++s) {
        TableViewSectionMetrics m;
        m.rowCount = std::max(0, dataSource_->numberOfRowsInSection(*this, s));
        titles_.push_back({dataSource_->titleForHeaderInSection(*this, s),
                           dataSource_->titleForFooterInSection(*this, s), true});
        const int header = delegate_ ? delegate_->heightForHeaderInSection(*this, s)
                                     : kTableViewAutomaticDimension;
        const int footer = delegate_ ? delegate_->heightForFooterInSection(*this, s)
                                     : kTableViewAutomaticDimension;
        titles_.back().footerAutomatic = footer < 0;
        m.headerHeight = header >= 0 ? header : defaultHeaderHeight(s);
        m.footerHeight = footer >= 0 ? footer : 0;
        metrics.push_back(m);
    }
    geometry_.reset(std::move(metrics), rowHeight_, [this](const IndexPath& path) {
        return dataSource_ ? dataSource_->heightForRow(*this, path) : kTableViewAutomaticDimension;
    });
    measureFooters();
    if (current_ && !geometry_.isValid(*current_))
        current_.reset();
}

int TableView::defaultHeaderHeight(int section) const
{
    const bool titled = !titles_[static_cast<std::size_t>(section)].header.isEmpty();
    if (style_ == TableViewStyle::Plain)
        return titled ? 28 : 0;
    if (titled)
        return 44;
    return section == 0 && !headerView_ && insets_.top() == 0 ? 35 : 18;
}

int TableView::defaultFooterHeight(int section) const
{
    const QString& text = titles_[static_cast<std::size_t>(section)].footer;
    if (text.isEmpty())
        return style_ == TableViewStyle::Plain ? 0 : 18;
    const QFontMetrics fm(titleFont(*this));
    const int width = std::max(1, rowWidth() - 2 * kTitleInset);
    const QRect r = fm.boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap, text);
    return 8 + r.height() + 18;
}

void TableView::measureFooters()
{
    for (int s = 0; s < geometry_.sectionCount(); ++s) {
        if (titles_[static_cast<std::size_t>(s)].footerAutomatic)
            geometry_.setFooterHeight(s, defaultFooterHeight(s));
    }
}

int TableView::headerViewHeight() const
{
    if (!headerView_)
        return 0;
    return headerView_->testAttribute(Qt::WA_Resized) ? headerView_->height()
                                                      : headerView_->sizeHint().height();
}

int TableView::refreshInset() const
{
    return refresh_ ? refreshStrip_ : 0;
}

int TableView::rowLeft() const
{
    return style_ == TableViewStyle::InsetGrouped ? kInsetGroupedMargin : 0;
}

int TableView::rowWidth() const
{
    return std::max(0, viewport()->width() - 2 * rowLeft());
}

int TableView::toViewport(int contentY) const { return contentY - contentOffset() + pull_; }

int TableView::contentHeight()
{
    ensureLoaded();
    geometry_.setTop(insets_.top() + refreshInset() + headerViewHeight());
    geometry_.setBottom(insets_.bottom());
    return geometry_.contentHeight();
}

void TableView::layoutPass()
{
    contentHeight();
    updateScrollRange();
    placeChrome();
    realizeRows();
    // Measuring rows on the way down may have changed the total.
    updateScrollRange();
}

void TableView::updateScrollRange() { setContentHeight(geometry_.contentHeight()); }

void TableView::placeChrome()
{
    const int width = viewport()->width();
    if (headerView_) {
        headerView_->setGeometry(0, toViewport(insets_.top() + refreshInset()), width,
                                 headerViewHeight());
    }
    if (refresh_) {
        const int top = toViewport(insets_.top() + refreshInset() - RefreshControl::kHeight);
        refresh_->setGeometry(0, top, width, RefreshControl::kHeight);
        refresh_->setVisible(refreshStrip_ > 0 || pull_ > 0);
    }
}

void TableView::realizeRows()
{
    const int top = contentOffset() - pull_;
    const int bottom = top + viewport()->height();
    std::vector<IndexPath> wanted;
    if (auto first = geometry_.rowAtOrAfter(top)) {
        IndexPath path = *first;
        for (int i = 0; i < kOverscanRows; ++i) {
            if (auto prev = geometry_.previous(path))
                path = *prev;
        }
        int after = 0;
        for (std::optional<IndexPath> p = path; p; p = geometry_.next(*p)) {
            if (geometry_.rowSpan(*p).top >= bottom && after++ == kOverscanRows)
                break;
            wanted.push_back(*p);
        }
    }
    for (auto it = cells_.begin(); it != cells_.end();) {
        if (std::binary_search(wanted.begin(), wanted.end(), it->first)) {
            ++it;
            continue;
        }
        retireCell(it->second, it->first, Retire::Now);
        it = cells_.erase(it);
    }
    for (const IndexPath& path : wanted) {
        if (needsReload_)
            break; // a callback asked for a reload; the next pass starts over
        if (auto it = cells_.find(path); it != cells_.end())
            placeCell(*it->second, path);
        else
            realizeRow(path);
    }
    if (!wanted.empty() && !needsReload_)
        realizeSectionHeaders(wanted.front().section, wanted.back().section);
}

void TableView::realizeSectionHeaders(int firstSection, int lastSection)
{
    for (auto it = sectionHeaders_.begin(); it != sectionHeaders_.end();) {
        if (it->first >= firstSection && it->first <= lastSection) {
            ++it;
            continue;
        }
        delete it->second;
        it = sectionHeaders_.erase(it);
    }
    if (!delegate_)
        return;
    for (int s = firstSection; s <= lastSection; ++s) {
        const TableViewSpan span = geometry_.headerSpan(s);
        auto it = sectionHeaders_.find(s);
        if (it == sectionHeaders_.end()) {
            if (span.height <= 0)
                continue;
            std::unique_ptr<QWidget> made = delegate_->viewForHeaderInSection(*this, s);
            if (!made)
                continue;
            QWidget* view = made.release();
            view->setParent(viewport());
            view->show();
            it = sectionHeaders_.emplace(s, view).first;
        }
        it->second->setGeometry(0, toViewport(span.top), viewport()->width(), span.height);
    }
}

void TableView::realizeRow(const IndexPath& path)
{
    std::unique_ptr<TableViewCell> made = dataSource_ ? dataSource_->cellForRow(*this, path)
                                                      : nullptr;
    if (!made)
        made = std::make_unique<TableViewCell>();
    TableViewCell* cell = made.release();
    cell->setParent(viewport());
    cells_[path] = cell;
    cell->setDecoration(decorationFor(path));
    placeCell(*cell, path);
    cell->setSelected(selected_ == path, Animated::No);
    cell->setFocusIndicator(keyboardFocusShown_ && hasFocus() && current_ == path); // one ring in the window
    if (delegate_)
        delegate_->willDisplayCell(*this, *cell, path);
    cell->layoutIfNeeded();
    cell->show();
}

void TableView::retireCell(TableViewCell* cell, const IndexPath& path, Retire when)
{
    if (delegate_)
        delegate_->didEndDisplayingCell(*this, *cell, path);
    cell->hide();
    if (auto pool = reusePool_.find(cell->reuseIdentifier());
        pool != reusePool_.end() && pool->second.size() < kMaxPooledCells) {
        pool->second.push_back(cell);
        return;
    }
    // A reload may come from inside one of the cell's own widgets: delete it later then.
    if (when == Retire::Now)
        delete cell;
    else
        cell->deleteLater();
}

void TableView::placeCell(TableViewCell& cell, const IndexPath& path)
{
    const TableViewSpan span = geometry_.rowSpan(path);
    cell.setGeometry(rowLeft(), toViewport(span.top), rowWidth(), span.height);
    cell.setSwipeOffset(swiped_ == path ? swipeOffset_ : 0);
}

TableViewCellDecoration TableView::decorationFor(const IndexPath& path) const
{
    const bool grouped = style_ == TableViewStyle::InsetGrouped;
    const bool last = path.row == geometry_.rowCount(path.section) - 1;
    TableViewCellDecoration d;
    d.cornerRadius = grouped ? kInsetGroupedCornerRadius : 0;
    d.roundTop = grouped && path.row == 0;
    d.roundBottom = grouped && last;
    d.separator = separatorStyle_ == TableViewSeparatorStyle::SingleLine && !(grouped && last);
    d.separatorColor = separatorColor();
    return d;
}

void TableView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), background_);
    const int sections = geometry_.sectionCount();
    if (sections > 0 && !needsReload_) {
        const int first = cells_.empty() ? 0 : cells_.begin()->first.section;
        const int last = cells_.empty() ? sections - 1 : cells_.rbegin()->first.section;
        paintSectionTitles(painter, first, last);
    }
}

void TableView::paintSectionTitles(QPainter& painter, int firstSection, int lastSection)
{
    painter.setFont(titleFont(*this));
    painter.setPen(sectionTitleColor());
    const int left = rowLeft() + kTitleInset;
    const int width = std::max(0, rowWidth() - 2 * kTitleInset);
    for (int s = firstSection; s <= lastSection; ++s) {
        const SectionTitles& t = titles_[static_cast<std::size_t>(s)];
        // A title is near the screen only if the row next to it is; checking spares
        // measuring a long section just to place a footer far below.
        const int rows = geometry_.rowCount(s);
        const bool headerNear = rows == 0 || cells_.count(IndexPath::forRow(0, s));
        const bool footerNear = rows == 0 || cells_.count(IndexPath::forRow(rows - 1, s));
        if (!t.header.isEmpty() && headerNear && !sectionHeaders_.count(s)) {
            const TableViewSpan span = geometry_.headerSpan(s);
            const QRect r(left, toViewport(span.top), width, span.height - 7);
            painter.drawText(r, Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine, t.header);
        }
        if (!t.footer.isEmpty() && footerNear) {
            const TableViewSpan span = geometry_.footerSpan(s);
            const QRect r(left, toViewport(span.top) + 8, width, span.height);
            painter.drawText(r, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, t.footer);
        }
    }
}

} // namespace kavio::platform
