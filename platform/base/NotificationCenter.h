#pragma once
// Process-wide notifications. An observer is tied to an owner QObject and disappears with
// it, so no callback ever reaches a destroyed controller.

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <vector>

namespace kavio::platform {

enum class NotificationName {
    WillEnterForeground,    // the application becomes active again after inactive or hidden
    PlayerItemDidPlayToEnd, // object: the player item that reached its end
};

struct Notification {
    NotificationName name;
    const void* object = nullptr; // identity of the sender; compared, never dereferenced here
};

class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;

    static NotificationCenter& defaultCenter();

    NotificationCenter() = default;
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // object == nullptr observes every sender of that name.
    void addObserver(QObject* owner, NotificationName name, Handler handler,
                     const void* object = nullptr);
    void removeObserver(QObject* owner);
    void removeObserver(QObject* owner, NotificationName name);
    void post(const Notification& notification);
    void post(NotificationName name, const void* object = nullptr) { post({name, object}); }

    std::size_t observerCount() const { return observers_.size(); }

private:
    struct Observer {
        std::uint64_t id;
        QPointer<QObject> owner;
        NotificationName name;
        const void* object;
        Handler handler;
    };
    void prune();

    std::vector<Observer> observers_;
    std::uint64_t nextId_ = 1;
};

} // namespace kavio::platform
