#include "platform/nowplaying/MprisClient.h"

#include "platform/nowplaying/MprisService.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace kavio::platform {

bool openUriInRunningInstance(const QUrl& uri)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    const QString service = QString::fromLatin1(MprisService::kServiceName);
    const QDBusReply<uint> owner = bus.interface()->servicePid(service);
    if (!owner.isValid() || owner.value() == static_cast<uint>(QCoreApplication::applicationPid()))
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(service, QString::fromLatin1(MprisService::kObjectPath),
                                                       QString::fromLatin1(MprisService::kPlayerInterface),
                                                       QStringLiteral("OpenUri"));
    call << uri.toString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace kavio::platform
