#include "platform/base/Dispatch.h"

#include <QCoreApplication>
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

} // namespace kavio::platform
