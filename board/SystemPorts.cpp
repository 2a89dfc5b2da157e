#include "SystemPorts.h"

#ifdef Q_OS_WIN
#include "Win32PortDevice.h"
#else
#include "SerialPortDevice.h"
#endif

#include "PortListing.h"

#include <QRegularExpression>

namespace board {

std::unique_ptr<CPortDevice> CSystemPortProvider::MakeDevice(const QString& portName)
{
#ifdef Q_OS_WIN
    return std::make_unique<CWin32PortDevice>(SystemLocation(portName));
#else
    return std::make_unique<CSerialPortDevice>(SystemLocation(portName));
#endif
}

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

QString CSystemPortProvider::SystemLocation(const QString& portName)
{
#ifdef Q_OS_WIN
    return portName;
#else
    static const QRegularExpression comName(QStringLiteral("^COM([1-4])$"));
    const QRegularExpressionMatch match = comName.match(portName);
    if (!match.hasMatch())
        return portName;
    return QStringLiteral("/dev/ttyS%1").arg(match.captured(1).toInt() - 1);
#endif
}

}  // namespace board
