// CollectionView's scrolling and input: paging, pointer, touch and wheel, flicks, keys, and
// the bounce animation of an item.

#include "platform/lists/CollectionView.h"

#include "platform/lists/Flick.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>
#include <QVariantAnimation>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <utility>

namespace kavio::platform {

namespace {

// A drag of a fifth of a page is enough to turn it.
constexpr int kPageTurnDivisor = 5;
constexpr int kWheelNotch = 120;

// A picture of a cell drawn scaled about its centre while the cell bounces.
class CellSnapshot : public QWidget {
public:
    CellSnapshot(QWidget* parent, const QPixmap& picture, const QRect& frame)
        : QWidget(parent), picture_(picture), frame_(frame)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setScale(1.0);
        show();
        raise();
    }

    void setScale(qreal scale)
    {
        scale_ = scale;
        const QSize size = (QSizeF(frame_.size()) * std::max<qreal>(scale, 1.0)).toSize();
        QRect r(QPoint(), size);
        r.moveCenter(frame_.center());
        setGeometry(r);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        QRectF target(QPointF(), QSizeF(frame_.size()) * scale_);
        target.moveCenter(QRectF(rect()).center());
        p.drawPixmap(target, picture_, QRectF(picture_.rect()));
    }

private:
    QPixmap picture_;
    QRect frame_;
    qreal scale_ = 1.0;
};

} // namespace

int CollectionView::pageHeight() const { return std::max(1, viewport()->height()); }

int CollectionView::targetOffset() const
{
    if (scrollAnimation()->state() == QAbstractAnimation::Running)
        return scrollAnimation()->endValue().toInt();
    return contentOffset();
}

int CollectionView::pageOffset(int page) const
{
    const QScrollBar* bar = verticalScrollBar();
    return std::clamp(page * pageHeight(), bar->minimum(), bar->maximum());
}

void CollectionView::scrollByPages(int pages)
{
    const double current = static_cast<double>(targetOffset()) / pageHeight();
    const int page = static_cast<int>(std::lround(current));
    setContentOffset(pageOffset(page + pages), Animated::Yes);
}

void CollectionView::snapToPage(int direction)
{
    const double page = static_cast<double>(contentOffset()) / pageHeight();
    const double target = direction > 0 ? std::ceil(page) : direction < 0 ? std::floor(page)
                                                                           : std::round(page);
    setContentOffset(pageOffset(static_cast<int>(target)), Animated::Yes);
}

void CollectionView::tapItem(const IndexPath& path)
{
    selectItem(path);
    if (delegate_)
        delegate_->didSelectItem(*this, path);
}

void CollectionView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    // A press on moving items only stops them: the item under it was not aimed at.
    const QPoint pos = event->position().toPoint();
    const bool caught = catchMotion(static_cast<qint64>(event->timestamp()), pos.y());
    press_ = Press{true, false, fromTouch(*event), pos, contentOffset(),
                   caught ? std::nullopt : indexPathForTapAt(pos)};
    if (auto* cell = press_.item ? cellForItem(*press_.item) : nullptr)
        cell->setHighlighted(true);
    event->accept();
}

void CollectionView::mouseMoveEvent(QMouseEvent* event)
{
    if (!press_.active)
        return;
    flick()->fingerMoved(static_cast<qint64>(event->timestamp()), event->position().toPoint().y());
    const QPoint delta = event->position().toPoint() - press_.start;
    if (!press_.dragging) {
        if (delta.manhattanLength() < QApplication::startDragDistance())
            return;
        press_.dragging = true;
        if (auto* cell = press_.item ? cellForItem(*press_.item) : nullptr)
            cell->setHighlighted(false);
    }
    setContentOffset(press_.startOffset - delta.y(), Animated::No);
}

void CollectionView::mouseReleaseEvent(QMouseEvent* event)
{
    const Press press = std::exchange(press_, Press{});
    if (!press.active)
        return;
    if (auto* cell = press.item ? cellForItem(*press.item) : nullptr)
        cell->setHighlighted(false);
    if (press.dragging && press.touch) {
        flick()->fingerMoved(static_cast<qint64>(event->timestamp()), event->position().toPoint().y());
        flickAfterLift(press, static_cast<qint64>(event->timestamp()));
    } else if (!press.dragging) {
        if (press.item && indexPathForTapAt(event->position().toPoint()) == press.item)
            tapItem(*press.item);
        else if (paging_)
            snapToPage(0); // stopped between pages
    } else if (paging_) {
        const int moved = contentOffset() - press.startOffset;
        const int turn = pageHeight() / kPageTurnDivisor;
        snapToPage(moved > turn ? 1 : moved < -turn ? -1 : 0);
    }
    event->accept();
}

void CollectionView::flickAfterLift(const Press& press, qint64 ms)
{
    const double velocity = flick()->liftVelocity(ms);
    if (!paging_) {
        flick()->start(contentOffset(), velocity);
        return;
    }
    // A flick turns one page its way however short it was; a slow lift settles as a drag.
    int direction = 0;
    if (std::abs(velocity) >= Flick::kMinimumSpeed) {
        direction = velocity > 0 ? 1 : -1;
    } else {
        const int moved = contentOffset() - press.startOffset;
        const int turn = pageHeight() / kPageTurnDivisor;
        direction = moved > turn ? 1 : moved < -turn ? -1 : 0;
    }
    snapToPage(direction);
    pageFlicked_ = scrollAnimation()->state() == QAbstractAnimation::Running;
}

void CollectionView::wheelEvent(QWheelEvent* event)
{
    flick()->stop();
    if (!paging_) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    if (!event->pixelDelta().isNull()) {
        setContentOffset(contentOffset() - event->pixelDelta().y(), Animated::No);
        wheelRest_->start();
        event->accept();
        return;
    }
    wheelTravel_ += event->angleDelta().y();
    wheelRest_->start();
    while (wheelTravel_ >= kWheelNotch) {
        wheelTravel_ -= kWheelNotch;
        scrollByPages(-1);
    }
    while (wheelTravel_ <= -kWheelNotch) {
        wheelTravel_ += kWheelNotch;
        scrollByPages(1);
    }
    event->accept();
}

void CollectionView::keyPressEvent(QKeyEvent* event)
{
    if (!paging_) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_PageDown:
    case Qt::Key_Down: scrollByPages(1); return;
    case Qt::Key_PageUp:
    case Qt::Key_Up: scrollByPages(-1); return;
    case Qt::Key_Home: setContentOffset(0, Animated::Yes); return;
    case Qt::Key_End: setContentOffset(verticalScrollBar()->maximum(), Animated::Yes); return;
    default: QAbstractScrollArea::keyPressEvent(event);
    }
}

void CollectionView::animateItem(const IndexPath& path, qreal scale, int durationMs,
                                 std::function<void()> completion)
{
    CollectionViewCell* cell = cellForItem(path);
    if (!cell || !cell->isVisible() || !shouldAnimate(Animated::Yes) || durationMs <= 0) {
        if (completion)
            completion();
        return;
    }
    auto* snapshot = new CellSnapshot(viewport(), cell->grab(), cell->geometry());
    QPointer<CollectionViewCell> shrunk = scale < 1.0 ? cell : nullptr;
    if (shrunk)
        shrunk->hide();
    auto* animation = new QVariantAnimation(snapshot);
    animation->setDuration(2 * durationMs);
    animation->setKeyValueAt(0.0, 1.0);
    animation->setKeyValueAt(0.5, scale);
    animation->setKeyValueAt(1.0, 1.0);
    connect(animation, &QVariantAnimation::valueChanged, snapshot,
            [snapshot](const QVariant& v) { snapshot->setScale(v.toReal()); });
    connect(animation, &QVariantAnimation::finished, this,
            [this, snapshot, shrunk, completion = std::move(completion)] {
                const bool stillShown =
                    shrunk && std::any_of(cells_.begin(), cells_.end(), [&](const auto& e) {
                        return e.second == shrunk.data();
                    });
                if (stillShown)
                    shrunk->show();
                snapshot->deleteLater();
                if (completion)
                    completion();
            });
    animation->start();
}

} // namespace kavio::platform
