#pragma once
// Videos opened from outside the car browser: a file or stream given on the command
// line, handed over by a file manager ("Open with Kavio") or through MPRIS OpenUri.

#include "library/Status.h"

#include <QUrl>

namespace kavio::platform {
class SceneManager;
}

namespace kavio::app {

// file:// (a video file, anywhere in or out of Documents), http:// or https://.
// A plain path is taken as a file. Anything else is refused with a message.
Result<QUrl> targetFromArgument(const QString& argument);

// Shows the car window (connecting it when unplugged) and plays the target there: a file
// with its folder's records as the queue, at its own entry, as choosing it in the car
// browser would; a stream as a queue of its own.
Status openInCar(platform::SceneManager& scenes, const QUrl& target);

} // namespace kavio::app
