#include "platform/media/ScreenSaverInhibitor.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace kavio::platform {

DBusScreenSaverInhibitor::DBusScreenSaverInhibitor(QDBusConnection connection)
    : connection_(std::move(connection))
{
}

DBusScreenSaverInhibitor::~DBusScreenSaverInhibitor()
{
    if (cookie_)
        sendUninhibit(*cookie_);
}

void DBusScreenSaverInhibitor::inhibit(const QString& application, const QString& reason)
{
    wanted_ = true;
    if (cookie_ || requestPending_ || !connection_.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Inhibit"));
    call << application << reason;
    // No auto-start: a desktop without the service simply has nothing to inhibit.
    call.setAutoStartService(false);
    requestPending_ = true;
    auto* watcher = new QDBusPendingCallWatcher(connection_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        requestPending_ = false;
        const QDBusPendingReply<std::uint32_t> reply = *w;
        if (reply.isError())
            return; // no service here: stay quiet
        handleInhibitReply(reply.value());
    });
}

void DBusScreenSaverInhibitor::handleInhibitReply(std::uint32_t cookie)
{
    if (wanted_)
        cookie_ = cookie;
    else
        sendUninhibit(cookie);
}

void DBusScreenSaverInhibitor::uninhibit()
{
    wanted_ = false;
    if (cookie_) {
        sendUninhibit(*cookie_);
        cookie_.reset();
    }
}

void DBusScreenSaverInhibitor::sendUninhibit(std::uint32_t cookie)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("UnInhibit"));
    call << cookie;
    call.setAutoStartService(false);
    connection_.send(call); // the reply carries nothing we need
}

} // namespace kavio::platform
