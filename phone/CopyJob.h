#pragma once
// Long file work (copying a video of several GB) off the main thread: the window keeps
// painting and the car keeps playing. Its progress shows over a screen once it takes
// longer than a moment, with Cancel.

#include "library/FileCopy.h"

#include <QString>

#include <functional>

namespace kavio::platform {
class ViewController;
}

namespace kavio::phone {

// work runs on a worker thread with a control it reports to and that Cancel sets; done
// runs afterwards on the main thread, with the progress sheet gone, and never once over
// has been destroyed (which cancels the work).
void runCopyJob(platform::ViewController& over, const QString& title, std::function<Status(CopyControl&)> work,
                std::function<void(const Status&)> done);

// "120 MB of 2.1 GB, about 40 seconds left"
QString progressText(std::uint64_t done, std::uint64_t total, double elapsedSeconds);

} // namespace kavio::phone
