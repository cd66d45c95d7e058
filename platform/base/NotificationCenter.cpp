#include "NotificationCenter.h"

#include <algorithm>

namespace kavio::platform {

NotificationCenter& NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

void NotificationCenter::addObserver(QObject* owner, NotificationName name, Handler handler,
                                     const void* object)
{
    if (!owner || !handler)
        return;
    prune();
    const bool firstForOwner = std::none_of(observers_.begin(), observers_.end(),
                                            [&](const Observer& o) { return o.owner == owner; });
    observers_.push_back({nextId_++, owner, name, object, std::move(handler)});
    if (firstForOwner) {
        QObject::connect(owner, &QObject::destroyed, owner, [this, owner] { removeObserver(owner); });
    }
}

void NotificationCenter::removeObserver(QObject* owner)
{
    std::erase_if(observers_, [&](const Observer& o) { return o.owner.isNull() || o.owner == owner; });
}

void NotificationCenter::removeObserver(QObject* owner, NotificationName name)
{
    std::erase_if(observers_, [&](const Observer& o) {
        return o.owner.isNull() || (o.owner == owner && o.name == name);
    });
}

void NotificationCenter::prune()
{
    std::erase_if(observers_, [](const Observer& o) { return o.owner.isNull(); });
}

void NotificationCenter::post(const Notification& notification)
{
    // Handlers may add or remove observers (a reload may dismiss a screen), so deliver to
    // a snapshot of ids and re-check each one is still registered and alive.
    std::vector<std::uint64_t> ids;
    for (const Observer& o : observers_) {
        if (o.name == notification.name && (!o.object || o.object == notification.object))
            ids.push_back(o.id);
    }
    for (std::uint64_t id : ids) {
        auto it = std::find_if(observers_.begin(), observers_.end(),
                               [id](const Observer& o) { return o.id == id; });
        if (it == observers_.end() || it->owner.isNull())
            continue;
        Handler handler = it->handler; // the vector may change while it runs
        handler(notification);
    }
}

} // namespace kavio::platform
