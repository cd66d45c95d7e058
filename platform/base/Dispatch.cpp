#include "platform/base/Dispatch.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>

namespace kavio::platform {

void dispatchAfter(QObject* owner, std::chrono::milliseconds delay, std::function<void()> work)
{
    QObject* context = owner ? owner : QCoreApplication::instance();
    if (!context || !work)
        return;
    // With a context object Qt runs the functor in the context's thread and drops it when
    // the context dies first.
    QTimer::singleShot(delay, context, std::move(work));
}

namespace detail {

void runInBackground(QObject* owner, std::function<std::function<void()>()> work)
{
    // The owner may die while the work runs: only a guard crosses to the pool, and it is
    // read back on the main thread.
    QPointer<QObject> guard(owner ? owner : QCoreApplication::instance());
    if (!guard || !work)
        return;
    QThreadPool::globalInstance()->start([guard, work = std::move(work)] {
        std::function<void()> done = work();
        QMetaObject::invokeMethod(QCoreApplication::instance(), [guard, done = std::move(done)] {
            if (guard)
                done();
        }, Qt::QueuedConnection);
    });
}

} // namespace detail

} // namespace kavio::platform
