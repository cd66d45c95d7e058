#pragma once
// Work bound to an owner: it never reaches the owner once the owner is destroyed. A null
// owner binds it to the application.
//   dispatchAfter         later, on the main thread;
//   dispatchInBackground  now, on the shared thread pool, its result handed back on the
//                         main thread. The work itself must not touch the owner.

#include <QObject>

#include <chrono>
#include <functional>
#include <utility>

namespace kavio::platform {

void dispatchAfter(QObject* owner, std::chrono::milliseconds delay, std::function<void()> work);

namespace detail {
// work runs on the pool and returns what is to run on the main thread.
void runInBackground(QObject* owner, std::function<std::function<void()>()> work);
} // namespace detail

// then(work()) on the main thread; work() returns a value the main thread can take over
// (images, bytes, a Status).
template <class Work, class Then>
void dispatchInBackground(QObject* owner, Work work, Then then)
{
    detail::runInBackground(owner, [work = std::move(work), then = std::move(then)]() mutable -> std::function<void()> {
        return [then = std::move(then), result = work()]() mutable { then(std::move(result)); };
    });
}

} // namespace kavio::platform
