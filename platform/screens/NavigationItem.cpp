#include "platform/screens/NavigationItem.h"

#include "platform/screens/ViewController.h"

#include <algorithm>

namespace kavio::platform {

BarButtonItem::BarButtonItem(Kind kind, QWidget* view, int width) : kind_(kind), view_(view), width_(width) {}

BarButtonItem BarButtonItem::customView(QWidget* view)
{
    return BarButtonItem(Kind::CustomView, view, 0);
}

BarButtonItem BarButtonItem::fixedSpace(int width)
{
    return BarButtonItem(Kind::FixedSpace, nullptr, std::max(0, width));
}

BarButtonItem::~BarButtonItem()
{
    delete view_.data();
}

BarButtonItem::BarButtonItem(BarButtonItem&& other) noexcept
    : kind_(other.kind_), view_(std::exchange(other.view_, nullptr)), width_(other.width_)
{
}

BarButtonItem& BarButtonItem::operator=(BarButtonItem&& other) noexcept
{
    if (this != &other) {
        delete view_.data();
        kind_ = other.kind_;
        view_ = std::exchange(other.view_, nullptr);
        width_ = other.width_;
    }
    return *this;
}

NavigationItem::NavigationItem(ViewController& owner) : owner_(owner)
{
    connect(&owner_, &ViewController::titleChanged, this, [this] {
        if (!title_ || !backButtonTitle_)
            Q_EMIT changed();
    });
}

NavigationItem::~NavigationItem() = default;

QString NavigationItem::title() const
{
    return title_.value_or(owner_.title());
}

void NavigationItem::setTitle(const QString& title)
{
    if (title_ == title)
        return;
    title_ = title;
    Q_EMIT changed();
}

QString NavigationItem::backButtonTitle() const
{
    return backButtonTitle_.value_or(title());
}

void NavigationItem::setBackButtonTitle(const QString& title)
{
    if (backButtonTitle_ == title)
        return;
    backButtonTitle_ = title;
    Q_EMIT changed();
}

void NavigationItem::setRightBarButtonItems(std::vector<BarButtonItem> items)
{
    for (BarButtonItem& item : items) {
        QWidget* view = item.view();
        if (view && view->parentWidget() != holder())
            view->setParent(holder());
    }
    // The old items delete their widgets; a widget kept in the new list must survive that.
    std::vector<BarButtonItem> old = std::exchange(rightItems_, std::move(items));
    for (BarButtonItem& item : old) {
        for (const BarButtonItem& kept : rightItems_) {
            if (item.view() && item.view() == kept.view())
                item.release();
        }
    }
    old.clear();
    Q_EMIT changed();
}

QWidget* NavigationItem::holder()
{
    if (!holder_) {
        holder_ = std::make_unique<QWidget>();
        holder_->setObjectName(QStringLiteral("kavio-bar-item-holder"));
    }
    return holder_.get();
}

} // namespace kavio::platform
