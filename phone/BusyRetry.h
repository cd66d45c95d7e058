#pragma once
// A change the window asks for while another program holds the folder: tried again from
// the event loop every few milliseconds, so the window never waits on a lock, until it goes
// through or two seconds have passed.

#include <QObject>

#include <functional>

namespace kavio::phone {

// attempt runs now, and again while it returns false (the folder was busy); gaveUp runs
// after the last busy attempt. Nothing runs once owner is gone.
void retryWhileBusy(QObject* owner, std::function<bool()> attempt, std::function<void()> gaveUp);

} // namespace kavio::phone
