#include "platform/base/MachineIdentifier.h"

#include <QByteArray>
#include <QFile>
#include <QSysInfo>

namespace kavio::platform {

std::string machineIdentifier()
{
    if (const QByteArray forced = qgetenv("KAVIO_MACHINE"); !forced.isEmpty())
        return forced.toStdString();
    QFile product(QStringLiteral("/sys/class/dmi/id/product_name"));
    if (product.open(QIODevice::ReadOnly)) {
        const QByteArray name = product.read(256).trimmed();
        if (!name.isEmpty())
            return name.toStdString();
    }
    return QSysInfo::currentCpuArchitecture().toStdString();
}

std::string systemVersion()
{
    return QSysInfo::productVersion().toStdString();
}

std::string systemName()
{
    return QSysInfo::prettyProductName().toStdString();
}

} // namespace kavio::platform
