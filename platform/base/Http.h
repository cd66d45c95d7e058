#pragma once
// One HTTP GET that can neither hold memory nor a connection for ever: the body is read
// up to a size limit and the whole exchange (connect and body) has a deadline. Never
// blocks: the answer arrives later on the calling thread's event loop.

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <optional>

class QObject;

namespace kavio::platform {

struct HttpLimits {
    qint64 maxBytes = 1 << 20;
    std::chrono::milliseconds timeout{15000};
};

// done gets the body whatever the HTTP status, or nothing when none arrived whole (no
// network, refused, over the limit, past the deadline). It never runs once owner is gone;
// a null owner binds it to the application.
void httpGet(const QUrl& url, const HttpLimits& limits, QObject* owner,
             std::function<void(std::optional<QByteArray> body)> done, const QString& userAgent = {});

} // namespace kavio::platform
