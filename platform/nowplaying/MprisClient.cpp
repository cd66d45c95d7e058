#include "platform/nowplaying/MprisClient.h"

#include "platform/nowplaying/MprisService.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace kavio::platform {

namespace {

constexpr int kCallTimeoutMs = 5000;

// A call to the Kavio of another process, with its answer; false when none runs.
bool callRunningInstance(const char* interface, const QString& method, const QVariantList& arguments)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    const QString service = QString::fromLatin1(MprisService::kServiceName);
    const QDBusReply<uint> owner = bus.interface()->servicePid(service);
    if (!owner.isValid() || owner.value() == static_cast<uint>(QCoreApplication::applicationPid()))
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(service, QString::fromLatin1(MprisService::kObjectPath),
                                                       QString::fromLatin1(interface), method);
    call.setArguments(arguments);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace

bool openUriInRunningInstance(const QUrl& uri)
{
    return callRunningInstance(MprisService::kPlayerInterface, QStringLiteral("OpenUri"), {uri.toString()});
}

bool raiseRunningInstance()
{
    return callRunningInstance(MprisService::kRootInterface, QStringLiteral("Raise"), {});
}

} // namespace kavio::platform
