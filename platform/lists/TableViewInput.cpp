// Pointer, touch, wheel and keyboard handling of TableView: taps, drags that scroll or pull
// to refresh, flicks, swipes that uncover Delete, long presses and context menus, keys.

#include "platform/lists/TableView.h"

#include "platform/lists/Flick.h"
#include "platform/lists/RefreshControl.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <QVariantAnimation>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace kavio::platform {

namespace {
// Two notches of a mouse wheel past the top start a refresh.
constexpr int kWheelThreshold = 240;
} // namespace

void TableView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    pointerPressed(event->position().toPoint(), fromTouch(*event) ? Pointer::Touch : Pointer::Mouse,
                   static_cast<qint64>(event->timestamp()));
    event->accept();
}

void TableView::mouseMoveEvent(QMouseEvent* event)
{
    pointerMoved(event->position().toPoint(), static_cast<qint64>(event->timestamp()));
}

void TableView::mouseReleaseEvent(QMouseEvent* event)
{
    pointerReleased(event->position().toPoint(), static_cast<qint64>(event->timestamp()));
    event->accept();
}

void TableView::pointerPressed(QPoint pos, Pointer pointer, qint64 ms)
{
    // A press on moving rows only stops them: the row under it was not aimed at.
    const bool caught = catchMotion(ms, pos.y());
    if (keyboardFocusShown_) {
        keyboardFocusShown_ = false;
        if (auto* cell = current_ ? cellForRow(*current_) : nullptr)
            cell->setFocusIndicator(false);
    }
    press_ = Press{Gesture::Pending, pointer, pos, contentOffset(), swipeOffset_,
                   caught ? std::nullopt : indexPathForRowAt(pos)};
    if (swiped_) {
        // With a row swiped open, a press elsewhere only closes it; on that row it may
        // drag it further or tap Delete.
        if (deleteButtonRect().contains(pos) || press_.row == swiped_)
            press_.row = swiped_;
        else {
            closeSwipe();
            press_.gesture = Gesture::None;
        }
    } else if (press_.row) {
        if (auto* cell = cellForRow(*press_.row))
            cell->setHighlighted(true);
        longPress_->start();
    }
}

void TableView::pointerMoved(QPoint pos, qint64 ms)
{
    if (press_.gesture == Gesture::None || press_.gesture == Gesture::LongPressed)
        return;
    flick()->fingerMoved(ms, pos.y());
    const QPoint delta = pos - press_.start;
    if (press_.gesture == Gesture::Pending) {
        if (delta.manhattanLength() < QApplication::startDragDistance())
            return;
        longPress_->stop();
        if (press_.row && !swiped_) {
            if (auto* cell = cellForRow(*press_.row))
                cell->setHighlighted(false);
        }
        const bool sideways = std::abs(delta.x()) > std::abs(delta.y());
        if (sideways && press_.row && (swiped_ == press_.row || canDelete(*press_.row)))
            press_.gesture = Gesture::Swiping;
        else
            press_.gesture = Gesture::Scrolling;
    }
    if (press_.gesture == Gesture::Scrolling) {
        const int wanted = press_.startOffset - delta.y();
        if (wanted < 0 && refresh_ && !refresh_->isRefreshing()) {
            setContentOffset(0, Animated::No);
            setPull(-wanted);
        } else {
            setPull(0);
            setContentOffset(wanted, Animated::No);
        }
    } else if (press_.gesture == Gesture::Swiping) {
        setSwipe(press_.row, std::clamp(press_.startSwipe + delta.x(), -rowWidth(), 0));
    }
}

void TableView::pointerReleased(QPoint pos, qint64 ms)
{
    longPress_->stop();
    const Press press = std::exchange(press_, Press{});
    if (press.row && press.gesture == Gesture::Pending && !swiped_) {
        if (auto* cell = cellForRow(*press.row))
            cell->setHighlighted(false);
    }
    switch (press.gesture) {
    case Gesture::Pending:
        if (swiped_) {
            const bool onDelete = deleteButtonRect().contains(pos);
            const IndexPath row = *swiped_;
            closeSwipe();
            if (onDelete)
                commitDelete(row);
        } else if (press.row && indexPathForRowAt(pos) == press.row) {
            tapRow(*press.row);
        }
        break;
    case Gesture::Scrolling:
        // A pull springs back or refreshes; it never flicks.
        if (press.pointer == Pointer::Touch && rawPull_ == 0) {
            flick()->fingerMoved(ms, pos.y());
            flick()->start(contentOffset(), flick()->liftVelocity(ms));
        }
        finishPull();
        break;
    case Gesture::Swiping:
        if (swiped_ && -swipeOffset_ > rowWidth() * 6 / 10)
            commitDelete(*swiped_); // a full swipe deletes at once
        else if (swiped_ && -swipeOffset_ >= kDeleteButtonWidth / 2)
            setSwipe(swiped_, -kDeleteButtonWidth);
        else
            closeSwipe();
        break;
    case Gesture::None:
    case Gesture::LongPressed:
        break;
    }
}

void TableView::longPressFired()
{
    if (press_.gesture != Gesture::Pending || !press_.row)
        return;
    press_.gesture = Gesture::LongPressed;
    if (auto* cell = cellForRow(*press_.row))
        cell->setHighlighted(false);
    if (delegate_)
        delegate_->contextMenuRequested(*this, *press_.row, viewport()->mapToGlobal(press_.start));
}

void TableView::contextMenuEvent(QContextMenuEvent* event)
{
    const bool fromKeyboard = event->reason() == QContextMenuEvent::Keyboard;
    const std::optional<IndexPath> row = fromKeyboard ? current_ : indexPathForRowAt(event->pos());
    if (!row || !delegate_) {
        event->ignore();
        return;
    }
    const QPoint global = fromKeyboard ? viewport()->mapToGlobal(visualRectForRow(*row).center())
                                       : event->globalPos();
    delegate_->contextMenuRequested(*this, *row, global);
    event->accept();
}

void TableView::wheelEvent(QWheelEvent* event)
{
    scrollAnimation()->stop();
    flick()->stop();
    const int dy = event->angleDelta().y();
    if (refresh_ && !refresh_->isRefreshing() && contentOffset() == 0 && dy > 0
        && press_.gesture == Gesture::None) {
        wheelPull(dy);
        event->accept();
        return;
    }
    if (wheelPull_ > 0) {
        wheelPull_ = 0;
        setPull(0);
    }
    QAbstractScrollArea::wheelEvent(event);
}

void TableView::wheelPull(int delta)
{
    wheelPull_ += delta;
    if (wheelPull_ >= kWheelThreshold) {
        wheelPull_ = 0;
        wheelRest_->stop();
        refresh_->sendValueChanged();
        setPull(0);
        return;
    }
    // Show how far there is to go; the pull springs back once the wheel rests.
    wheelRest_->start();
    setPull(wheelPull_ * RefreshControl::kHeight / kWheelThreshold);
}

void TableView::setPull(int rawPull)
{
    rawPull = std::max(0, rawPull);
    if (rawPull == rawPull_)
        return;
    rawPull_ = rawPull;
    // Past the threshold the content follows the pointer more and more reluctantly.
    constexpr int h = RefreshControl::kHeight;
    pull_ = rawPull <= h ? rawPull : h + (rawPull - h) / 3;
    if (refresh_)
        refresh_->setPullProgress(static_cast<qreal>(rawPull) / h);
    layoutContent();
}

void TableView::finishPull()
{
    if (refresh_ && rawPull_ >= RefreshControl::kHeight)
        refresh_->sendValueChanged();
    setPull(0);
}

void TableView::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_F5:
        if (!refresh_)
            break;
        setContentOffset(0, Animated::Yes);
        refresh_->sendValueChanged();
        return;
    case Qt::Key_Up: moveCurrentRow(-1); return;
    case Qt::Key_Down: moveCurrentRow(+1); return;
    case Qt::Key_Home:
    case Qt::Key_End:
        ensureLoaded();
        if (auto row = event->key() == Qt::Key_Home ? geometry_.firstRow() : geometry_.lastRow()) {
            setCurrentRow(row);
            scrollToRow(*row, TableViewScrollPosition::None, Animated::No);
        }
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (current_)
            tapRow(*current_);
        return;
    case Qt::Key_Delete: // not Backspace: in a navigation stack that key goes back
        if (current_ && canDelete(*current_))
            commitDelete(*current_);
        return;
    case Qt::Key_F10:
        if (event->modifiers() & Qt::ShiftModifier) { // the menu key's other name
            QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(), QCursor::pos(), event->modifiers());
            contextMenuEvent(&menu);
            return;
        }
        break;
    case Qt::Key_F2:
        if (current_ && delegate_)
            delegate_->renameRequested(*this, *current_);
        return;
    case Qt::Key_Escape:
        if (swiped_) {
            closeSwipe();
            return;
        }
        break;
    default: break;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void TableView::focusInEvent(QFocusEvent* event)
{
    // Tabbed into, the list shows at once where the keyboard is: its current row, else
    // the first one on screen.
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) {
        ensureLoaded();
        std::optional<IndexPath> target = current_;
        if (!target) {
            const auto visible = indexPathsForVisibleRows();
            target = visible.empty() ? geometry_.firstRow() : std::optional(visible.front());
        }
        if (target)
            setCurrentRow(target);
    } else if (keyboardFocusShown_) {
        setCurrentRow(current_);
    }
    QAbstractScrollArea::focusInEvent(event);
}

void TableView::focusOutEvent(QFocusEvent* event)
{
    if (auto* cell = current_ ? cellForRow(*current_) : nullptr)
        cell->setFocusIndicator(false);
    QAbstractScrollArea::focusOutEvent(event);
}

void TableView::tapRow(const IndexPath& path)
{
    current_ = path;
    selectRow(path, Animated::No, TableViewScrollPosition::None);
    if (delegate_)
        delegate_->didSelectRow(*this, path);
}

void TableView::setCurrentRow(const std::optional<IndexPath>& path)
{
    if (auto* old = current_ ? cellForRow(*current_) : nullptr)
        old->setFocusIndicator(false);
    current_ = path;
    keyboardFocusShown_ = true;
    if (auto* cell = current_ ? cellForRow(*current_) : nullptr)
        cell->setFocusIndicator(true);
}

void TableView::moveCurrentRow(int direction)
{
    ensureLoaded();
    std::optional<IndexPath> target;
    if (!current_) {
        const auto visible = indexPathsForVisibleRows();
        target = visible.empty() ? geometry_.firstRow() : std::optional(visible.front());
    } else if (!keyboardFocusShown_) {
        target = current_; // the first key press only shows where the keyboard is
    } else {
        target = direction > 0 ? geometry_.next(*current_) : geometry_.previous(*current_);
        if (!target)
            target = current_;
    }
    if (!target)
        return;
    setCurrentRow(target);
    scrollToRow(*target, TableViewScrollPosition::None, Animated::No);
}

bool TableView::canDelete(const IndexPath& path)
{
    return delegate_
           && delegate_->editingStyleForRow(*this, path) == TableViewEditingStyle::Delete;
}

void TableView::commitDelete(const IndexPath& path)
{
    closeSwipe();
    if (delegate_)
        delegate_->commitDelete(*this, path);
}

void TableView::setSwipe(const std::optional<IndexPath>& row, int offset)
{
    const std::optional<IndexPath> old = swiped_;
    swiped_ = offset < 0 ? row : std::nullopt;
    swipeOffset_ = swiped_ ? offset : 0;
    if (old && old != swiped_) {
        if (auto* cell = cellForRow(*old))
            placeCell(*cell, *old);
    }
    if (swiped_) {
        if (auto* cell = cellForRow(*swiped_))
            placeCell(*cell, *swiped_);
    }
    viewport()->update();
}

void TableView::closeSwipe() { setSwipe(std::nullopt, 0); }

QRect TableView::deleteButtonRect()
{
    if (!swiped_)
        return {};
    const QRect row = visualRectForRow(*swiped_);
    return QRect(row.right() + 1 + swipeOffset_, row.top(), -swipeOffset_, row.height());
}

} // namespace kavio::platform
