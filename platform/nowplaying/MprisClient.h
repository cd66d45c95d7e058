#pragma once
// The other side of the MPRIS service: asking a Kavio that already runs to play something.

#include <QUrl>

namespace kavio::platform {

// Calls OpenUri on org.mpris.MediaPlayer2.kavio when another process owns that name.
// True when it accepted the URI; false without a session bus, without a running Kavio
// or when it refused.
bool openUriInRunningInstance(const QUrl& uri);

} // namespace kavio::platform
