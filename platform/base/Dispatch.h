#pragma once
// Delayed work on the main thread, bound to an owner: it never runs once the owner is
// destroyed. A null owner binds it to the application.

#include <QObject>

#include <chrono>
#include <functional>

namespace kavio::platform {

void dispatchAfter(QObject* owner, std::chrono::milliseconds delay, std::function<void()> work);

} // namespace kavio::platform
