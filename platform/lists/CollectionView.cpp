#include "platform/lists/CollectionView.h"

#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QVariantAnimation>

#include <algorithm>

namespace kavio::platform {

namespace {

constexpr int kMaxPooledPerIdentifier = 32;

} // namespace

CollectionView::CollectionView(const CollectionViewFlowLayout& layout, QWidget* parent)
    : ScrollView(parent), layout_(layout)
{
    setupPaging();
}

CollectionView::~CollectionView()
{
    dataSource_ = nullptr;
    delegate_ = nullptr;
}

void CollectionView::setupPaging()
{
    connect(scrollAnimation(), &QAbstractAnimation::stateChanged, this, [this](QAbstractAnimation::State state) {
        if (state == QAbstractAnimation::Stopped)
            pageFlicked_ = false;
    });
    // Touchpads scroll freely; once they rest, a paging view settles on the nearest page.
    wheelRest_ = new QTimer(this);
    wheelRest_->setSingleShot(true);
    wheelRest_->setInterval(150);
    connect(wheelRest_, &QTimer::timeout, this, [this] {
        wheelTravel_ = 0;
        if (paging_)
            snapToPage(0);
    });
    connect(verticalScrollBar(), &QScrollBar::sliderReleased, this, [this] {
        if (paging_)
            snapToPage(0);
    });
}

void CollectionView::setCollectionViewLayout(const CollectionViewFlowLayout& layout)
{
    layout_ = layout;
    reloadData();
}

void CollectionView::setDataSource(CollectionViewDataSource* dataSource)
{
    dataSource_ = dataSource;
    reloadData();
}

void CollectionView::setDelegate(CollectionViewDelegate* delegate) { delegate_ = delegate; }

void CollectionView::setBackgroundColor(const QColor& color)
{
    background_ = color;
    viewport()->update();
}

void CollectionView::registerCellClass(const QString& identifier, CellFactory factory)
{
    factories_[identifier] = std::move(factory);
}

CollectionViewCell* CollectionView::dequeueReusableCell(const QString& identifier,
                                                        const IndexPath&)
{
    auto& pool = pool_[identifier];
    if (!pool.empty()) {
        CollectionViewCell* cell = pool.back();
        pool.pop_back();
        cell->prepareForReuse();
        return cell;
    }
    auto factory = factories_.find(identifier);
    if (factory == factories_.end() || !factory->second)
        return nullptr;
    std::unique_ptr<CollectionViewCell> made = factory->second();
    if (!made)
        return nullptr;
    CollectionViewCell* cell = made.release();
    cell->reuseIdentifier_ = identifier;
    cell->hide();
    cell->setParent(viewport());
    return cell;
}

void CollectionView::reloadData()
{
    needsReload_ = true;
    layoutContent();
}

void CollectionView::ensureLoaded()
{
    if (!needsReload_)
        return;
    needsReload_ = false;
    // Cells go back to the pool rather than away: a reload may come from inside a cell.
    for (auto& [path, cell] : cells_)
        retireCell(cell, path);
    cells_.clear();
    selected_.clear();
    itemCounts_.clear();
    const int sections = dataSource_ ? std::max(0, dataSource_->numberOfSections(*this)) : 0;
    for (int s = 0; s < sections; ++s)
        itemCounts_.push_back(std::max(0, dataSource_->numberOfItemsInSection(*this, s)));
    layout_.prepare(viewport()->width(), itemCounts_);
}

int CollectionView::numberOfSections()
{
    ensureLoaded();
    return static_cast<int>(itemCounts_.size());
}

int CollectionView::numberOfItemsInSection(int section)
{
    ensureLoaded();
    if (section < 0 || section >= numberOfSections())
        return 0;
    return itemCounts_[static_cast<std::size_t>(section)];
}

QRect CollectionView::frameForItem(const IndexPath& path)
{
    ensureLoaded();
    return layout_.frameForItem(path);
}

QRect CollectionView::visualRectForItem(const IndexPath& path)
{
    return frameForItem(path).translated(0, -contentOffset());
}

QSize CollectionView::contentSize()
{
    ensureLoaded();
    return layout_.contentSize();
}

std::optional<IndexPath> CollectionView::indexPathForItemAt(const QPoint& viewportPos)
{
    ensureLoaded();
    return layout_.itemAt(viewportPos + QPoint(0, contentOffset()));
}

std::optional<IndexPath> CollectionView::indexPathForTapAt(const QPoint& viewportPos)
{
    if (tapTarget_.isEmpty())
        return indexPathForItemAt(viewportPos);
    ensureLoaded();
    const QPoint pos = viewportPos + QPoint(0, contentOffset());
    std::optional<IndexPath> nearest;
    int nearestDistance = 0;
    for (const IndexPath& path : layout_.itemsInRange(pos.y() - tapTarget_.height(), pos.y() + tapTarget_.height())) {
        const QRect frame = layout_.frameForItem(path);
        QRect target(QPoint(), frame.size().expandedTo(tapTarget_));
        target.moveCenter(frame.center());
        const int distance = (pos - frame.center()).manhattanLength();
        if (target.contains(pos) && (!nearest || distance < nearestDistance)) {
            nearest = path;
            nearestDistance = distance;
        }
    }
    return nearest;
}

CollectionViewCell* CollectionView::cellForItem(const IndexPath& path) const
{
    auto it = cells_.find(path);
    return it == cells_.end() ? nullptr : it->second;
}

std::vector<IndexPath> CollectionView::indexPathsForVisibleItems() const
{
    std::vector<IndexPath> out;
    for (const auto& [path, cell] : cells_) {
        if (cell->geometry().intersects(viewport()->rect()))
            out.push_back(path);
    }
    return out;
}

int CollectionView::liveCellCount() const
{
    std::size_t count = cells_.size();
    for (const auto& [id, pool] : pool_)
        count += pool.size();
    return static_cast<int>(count);
}

void CollectionView::selectItem(const IndexPath& path)
{
    for (const IndexPath& old : std::set<IndexPath>(selected_)) {
        if (old != path)
            deselectItem(old);
    }
    selected_.insert(path);
    if (auto* cell = cellForItem(path))
        cell->setSelected(true);
}

void CollectionView::deselectItem(const IndexPath& path)
{
    selected_.erase(path);
    if (auto* cell = cellForItem(path))
        cell->setSelected(false);
}

std::vector<IndexPath> CollectionView::indexPathsForSelectedItems() const
{
    return {selected_.begin(), selected_.end()};
}

bool CollectionView::isDecelerating() const
{
    return ScrollView::isDecelerating()
           || (pageFlicked_ && scrollAnimation()->state() == QAbstractAnimation::Running);
}

void CollectionView::scrollToItem(const IndexPath& path, Animated animated)
{
    const QRect frame = frameForItem(path);
    if (frame.isNull())
        return;
    int target = contentOffset();
    if (paging_)
        target = pageOffset(frame.center().y() / pageHeight());
    else if (frame.top() < target)
        target = frame.top();
    else if (frame.bottom() >= target + viewport()->height())
        target = frame.bottom() + 1 - viewport()->height();
    setContentOffset(target, animated);
}

void CollectionView::layoutPass()
{
    ensureLoaded();
    setContentHeight(layout_.contentSize().height());
    realizeItems();
}

void CollectionView::realizeItems()
{
    // One line beyond each edge, so a small scroll never shows an empty slot.
    const int margin = layout_.itemSize().height() + layout_.minimumLineSpacing();
    const int top = contentOffset();
    const std::vector<IndexPath> wanted =
        layout_.itemsInRange(top - margin, top + viewport()->height() + margin);
    for (auto it = cells_.begin(); it != cells_.end();) {
        if (std::binary_search(wanted.begin(), wanted.end(), it->first)) {
            ++it;
            continue;
        }
        retireCell(it->second, it->first);
        it = cells_.erase(it);
    }
    for (const IndexPath& path : wanted) {
        if (needsReload_)
            break; // a callback asked for a reload; the next pass starts over
        CollectionViewCell* cell = cellForItem(path);
        if (!cell) {
            cell = dataSource_ ? dataSource_->cellForItem(*this, path) : nullptr;
            if (!cell)
                continue;
            cell->setParent(viewport());
            cells_[path] = cell;
            cell->setGeometry(layout_.frameForItem(path).translated(0, -top));
            cell->setSelected(selected_.count(path) > 0);
            if (delegate_)
                delegate_->willDisplayCell(*this, *cell, path);
            cell->show();
            continue;
        }
        cell->setGeometry(layout_.frameForItem(path).translated(0, -top));
    }
}

void CollectionView::retireCell(CollectionViewCell* cell, const IndexPath& path)
{
    if (delegate_)
        delegate_->didEndDisplayingCell(*this, *cell, path);
    cell->hide();
    if (!cell->reuseIdentifier_.isEmpty()) {
        auto& pool = pool_[cell->reuseIdentifier_];
        if (pool.size() < kMaxPooledPerIdentifier) {
            pool.push_back(cell);
            return;
        }
    }
    cell->deleteLater();
}

void CollectionView::viewportResized()
{
    if (!needsReload_)
        layout_.prepare(viewport()->width(), itemCounts_);
}

void CollectionView::paintEvent(QPaintEvent*)
{
    if (background_.alpha() == 0)
        return;
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), background_);
}

} // namespace kavio::platform
