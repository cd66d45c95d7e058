#include "platform/lists/TableView.h"

#include "platform/lists/RefreshControl.h"
#include "platform/lists/ScrollIndicator.h"
#include "platform/views/Colors.h"

#include <QScrollBar>
#include <QTimer>
#include <QVariantAnimation>

#include <algorithm>

namespace kavio::platform {

namespace {

constexpr int kLongPressMs = 500;
constexpr int kWheelRestMs = 350;

} // namespace

TableView::TableView(TableViewStyle style, QWidget* parent)
    : ScrollView(parent), style_(style)
{
    if (style_ == TableViewStyle::Plain)
        background_ = Qt::white;
    setupStrip();
    setupTimers();
}

TableView::~TableView()
{
    // Children go with the widget; nobody outside hears about it.
    dataSource_ = nullptr;
    delegate_ = nullptr;
}

void TableView::setupStrip()
{
    stripAnimation_ = new QVariantAnimation(this);
    stripAnimation_->setDuration(kScrollAnimationMs);
    stripAnimation_->setEasingCurve(QEasingCurve::OutCubic);
    connect(stripAnimation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        refreshStrip_ = v.toInt();
        layoutContent();
    });
}

void TableView::setupTimers()
{
    longPress_ = new QTimer(this);
    longPress_->setSingleShot(true);
    longPress_->setInterval(kLongPressMs);
    connect(longPress_, &QTimer::timeout, this, &TableView::longPressFired);
    wheelRest_ = new QTimer(this);
    wheelRest_->setSingleShot(true);
    wheelRest_->setInterval(kWheelRestMs);
    connect(wheelRest_, &QTimer::timeout, this, [this] {
        wheelPull_ = 0;
        setPull(0);
    });
}

void TableView::setDataSource(TableViewDataSource* dataSource)
{
    dataSource_ = dataSource;
    reloadData();
}

void TableView::setDelegate(TableViewDelegate* delegate)
{
    delegate_ = delegate;
    reloadData();
}

void TableView::setRowHeight(int height)
{
    rowHeight_ = std::max(1, height);
    reloadData();
}

void TableView::setBackgroundColor(const QColor& color)
{
    background_ = color;
    scrollIndicator()->setColor(color.lightnessF() < 0.5 ? colors::scrollIndicatorOnDark : colors::scrollIndicatorOnLight);
    viewport()->update();
}

void TableView::setSeparatorStyle(TableViewSeparatorStyle style)
{
    separatorStyle_ = style;
    reloadData();
}

void TableView::setSeparatorColor(const QColor& color)
{
    separator_ = color;
    reloadData();
}

QColor TableView::separatorColor() const
{
    if (separator_.isValid())
        return separator_;
    return background_.lightnessF() < 0.5 ? colors::separatorOnDark : colors::separatorOnLight;
}

void TableView::setSectionTitleColor(const QColor& color)
{
    sectionTitle_ = color;
    viewport()->update();
}

QColor TableView::sectionTitleColor() const
{
    if (sectionTitle_.isValid())
        return sectionTitle_;
    return background_.lightnessF() < 0.5 ? colors::sectionTitleOnDark : colors::sectionTitleOnLight;
}

void TableView::setContentInsets(const QMargins& insets)
{
    insets_ = insets;
    reloadData(); // the first section's default spacing depends on it
}

void TableView::setTableHeaderView(QWidget* view)
{
    if (view == headerView_)
        return;
    if (headerView_) {
        headerView_->hide();
        headerView_->deleteLater();
    }
    headerView_ = view;
    if (view) {
        view->setParent(viewport());
        view->show();
    }
    reloadData(); // the first section's default spacing depends on it
}

void TableView::setRefreshControl(RefreshControl* control)
{
    if (control == refresh_)
        return;
    if (refresh_) {
        refresh_->hide();
        refresh_->deleteLater();
    }
    refresh_ = control;
    stripAnimation_->stop();
    refreshStrip_ = control && control->isRefreshing() ? RefreshControl::kHeight : 0;
    if (control) {
        control->setParent(viewport());
        control->hide();
        connect(control, &RefreshControl::refreshingChanged, this,
                &TableView::refreshingChanged);
    }
    layoutContent();
}

void TableView::refreshingChanged(bool refreshing)
{
    stripAnimation_->stop();
    const int offset = contentOffset();
    if (refreshing || !shouldAnimate(Animated::Yes) || !isVisible()
        || offset >= refreshStrip_) {
        // Opening follows the pull that led to it; a strip already scrolled away goes
        // without moving the rows on screen.
        const int closedBy = refreshing ? 0 : refreshStrip_;
        refreshStrip_ = refreshing ? RefreshControl::kHeight : 0;
        layoutContent();
        if (closedBy > 0 && offset > 0)
            setContentOffset(offset - closedBy, Animated::No);
        return;
    }
    stripAnimation_->setStartValue(refreshStrip_);
    stripAnimation_->setEndValue(0);
    stripAnimation_->start();
}

void TableView::reloadData()
{
    needsReload_ = true;
    layoutContent();
}

int TableView::numberOfSections()
{
    ensureLoaded();
    return geometry_.sectionCount();
}

int TableView::numberOfRowsInSection(int section)
{
    ensureLoaded();
    return geometry_.rowCount(section);
}

int TableView::measuredRowCount(int section)
{
    ensureLoaded();
    return section < geometry_.sectionCount() ? geometry_.resolvedRowCount(section) : 0;
}

std::unique_ptr<TableViewCell> TableView::dequeueReusableCell(const QString& identifier)
{
    if (identifier.isEmpty())
        return nullptr;
    auto& pool = reusePool_[identifier];
    if (pool.empty())
        return nullptr;
    // Still the viewport's child: the caller may drop it (deleting it) or hand it back.
    std::unique_ptr<TableViewCell> cell(pool.back());
    pool.pop_back();
    cell->prepareForReuse();
    return cell;
}

TableViewCell* TableView::cellForRow(const IndexPath& path) const
{
    auto it = cells_.find(path);
    return it == cells_.end() ? nullptr : it->second;
}

std::optional<IndexPath> TableView::indexPathForCell(const TableViewCell* cell) const
{
    for (const auto& [path, c] : cells_) {
        if (c == cell)
            return path;
    }
    return std::nullopt;
}

std::vector<TableViewCell*> TableView::visibleCells() const
{
    std::vector<TableViewCell*> out;
    for (const auto& [path, cell] : cells_) {
        if (cell->geometry().intersects(viewport()->rect()))
            out.push_back(cell);
    }
    return out;
}

std::vector<IndexPath> TableView::indexPathsForVisibleRows()
{
    std::vector<IndexPath> out;
    for (const auto& [path, cell] : cells_) {
        if (visualRectForRow(path).intersects(viewport()->rect()))
            out.push_back(path);
    }
    return out;
}

std::optional<IndexPath> TableView::indexPathForRowAt(const QPoint& viewportPos)
{
    ensureLoaded();
    if (viewportPos.x() < rowLeft() || viewportPos.x() >= rowLeft() + rowWidth())
        return std::nullopt;
    return geometry_.rowAt(viewportPos.y() + contentOffset() - pull_);
}

QRect TableView::rectForRow(const IndexPath& path)
{
    ensureLoaded();
    if (!geometry_.isValid(path))
        return {};
    const TableViewSpan span = geometry_.rowSpan(path);
    return QRect(rowLeft(), span.top, rowWidth(), span.height);
}

QRect TableView::visualRectForRow(const IndexPath& path)
{
    return rectForRow(path).translated(0, pull_ - contentOffset());
}

void TableView::selectRow(const IndexPath& path, Animated animated,
                          TableViewScrollPosition position)
{
    ensureLoaded();
    if (!geometry_.isValid(path))
        return;
    if (selected_ && *selected_ != path) {
        if (auto* old = cellForRow(*selected_))
            old->setSelected(false, Animated::No);
    }
    selected_ = path;
    if (auto* cell = cellForRow(path))
        cell->setSelected(true, Animated::No);
    if (position != TableViewScrollPosition::None)
        scrollToRow(path, position, animated);
}

void TableView::deselectRow(const IndexPath& path, Animated animated)
{
    if (selected_ != path)
        return;
    selected_.reset();
    if (auto* cell = cellForRow(path))
        cell->setSelected(false, animated);
}

void TableView::scrollToRow(const IndexPath& path, TableViewScrollPosition position,
                            Animated animated)
{
    ensureLoaded();
    if (!geometry_.isValid(path))
        return;
    const TableViewSpan span = geometry_.rowSpan(path);
    const int viewHeight = viewport()->height();
    int target = contentOffset();
    switch (position) {
    case TableViewScrollPosition::Top: target = span.top; break;
    case TableViewScrollPosition::Middle: target = span.top - (viewHeight - span.height) / 2; break;
    case TableViewScrollPosition::Bottom: target = span.bottom() - viewHeight; break;
    case TableViewScrollPosition::None:
        if (span.top < target)
            target = span.top;
        else if (span.bottom() > target + viewHeight)
            target = span.bottom() - viewHeight;
        break;
    }
    updateScrollRange();
    setContentOffset(target, animated);
}

void TableView::viewportResized()
{
    if (!needsReload_)
        measureFooters();
}

} // namespace kavio::platform
