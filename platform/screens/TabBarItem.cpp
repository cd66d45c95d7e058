#include "platform/screens/TabBarItem.h"

#include "platform/screens/ViewController.h"

namespace kavio::platform {

TabBarItem::TabBarItem(ViewController& owner) : owner_(owner)
{
    connect(&owner_, &ViewController::titleChanged, this, [this] {
        if (!title_)
            Q_EMIT changed();
    });
}

TabBarItem::~TabBarItem() = default;

QString TabBarItem::title() const
{
    return title_.value_or(owner_.title());
}

void TabBarItem::setTitle(const QString& title)
{
    if (title_ == title)
        return;
    title_ = title;
    Q_EMIT changed();
}

void TabBarItem::setImage(const QImage& image)
{
    image_ = image;
    Q_EMIT changed();
}

void TabBarItem::setTag(int tag)
{
    if (tag_ == tag)
        return;
    tag_ = tag;
    Q_EMIT changed();
}

} // namespace kavio::platform
