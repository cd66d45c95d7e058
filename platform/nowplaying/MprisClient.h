#pragma once
// The other side of the MPRIS service: asking a Kavio that already runs to play something
// or to come forward.

#include <QUrl>

namespace kavio::platform {

// Calls OpenUri on org.mpris.MediaPlayer2.kavio when another process owns that name.
// True when it accepted the URI; false without a session bus, without a running Kavio
// or when it refused.
bool openUriInRunningInstance(const QUrl& uri);

// Calls Raise on the Kavio that owns org.mpris.MediaPlayer2.kavio in another process.
// True when it answered.
bool raiseRunningInstance();

} // namespace kavio::platform
