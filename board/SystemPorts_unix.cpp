// Off Windows COM1..COM4 stand for the PC's own ports, /dev/ttyS0../dev/ttyS3, opened
// through QSerialPort.
#include "SystemPorts.h"

#include "SerialPortDevice.h"

#include <QRegularExpression>

namespace board {

std::unique_ptr<CPortDevice> CSystemPortProvider::MakeDevice(const QString& portName)
{
    return std::make_unique<CSerialPortDevice>(SystemLocation(portName));
}

QString CSystemPortProvider::SystemLocation(const QString& portName)
{
    static const QRegularExpression comName(QStringLiteral("^COM([1-4])$"));
    const QRegularExpressionMatch match = comName.match(portName);
    if (!match.hasMatch())
        return portName;
    return QStringLiteral("/dev/ttyS%1").arg(match.captured(1).toInt() - 1);
}

}  // namespace board
