// The machine's own serial ports, behind the names the panel knows them by.
#pragma once

#include "PortDevice.h"

namespace board {

// Port names as the panel knows them ("COM1".."COM4", or devices named on the command
// line) mapped onto the machine's devices.
class CSystemPortProvider : public CPortProvider {
public:
    std::unique_ptr<CPortDevice> MakeDevice(const QString& portName) override;
    QString DescribePort(const QString& portName) const override;
    QStringList ListedPorts() const override;

    // "COM4" stays "COM4" on Windows and is /dev/ttyS3 elsewhere; any other name is
    // taken as the device itself.
    static QString SystemLocation(const QString& portName);
};

}  // namespace board
