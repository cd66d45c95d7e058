#pragma once
// Removals, their undoing and deletions on purpose, off the main thread: the window keeps
// painting while a thousand videos go to the trash and come back. The worker takes the
// folder's lock and holds it; the window never waits for it. Progress shows over the
// screen once the work takes longer than half a second, with Cancel: what is done stays
// done, the rest stays as it was.

#include "phone/FileOperations.h"

#include <QString>

#include <functional>

namespace kavio::platform {
class ViewController;
}

namespace kavio::phone {

// work runs on a worker thread, reporting to the progress it is given (which answers
// false once Cancel was chosen); done runs afterwards on the main thread, the progress
// sheet gone, and never once over has been destroyed.
void runRemovalJob(platform::ViewController& over, const QString& title,
                   std::function<RemovalOutcome(const RemovalProgress&)> work, std::function<void(RemovalOutcome)> done);

// "412 of 1,000 items"
QString itemProgressText(std::size_t settled, std::size_t total);

} // namespace kavio::phone
