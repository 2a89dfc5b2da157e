#include "SystemPorts.h"

#include "PortListing.h"

namespace board {

QString CSystemPortProvider::DescribePort(const QString& portName) const
{
    const QString location = SystemLocation(portName);
    return location == portName ? portName : QStringLiteral("%1 (%2)").arg(portName, location);
}

QStringList CSystemPortProvider::ListedPorts() const
{
    QStringList names;
    for (const SerialPortEntry& port : SystemSerialPorts())
        names << port.name;
    return names;
}

}  // namespace board
