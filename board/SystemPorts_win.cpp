// On Windows the panel's port names are the system's, opened through the Win32 calls.
#include "SystemPorts.h"

#include "Win32PortDevice.h"

namespace board {

std::unique_ptr<CPortDevice> CSystemPortProvider::MakeDevice(const QString& portName)
{
    return std::make_unique<CWin32PortDevice>(SystemLocation(portName));
}

QString CSystemPortProvider::SystemLocation(const QString& portName)
{
    return portName;
}

}  // namespace board
