// Off Windows the USB serial adapters are the devices in deviceDir whose names begin as
// LDX_USB_ADAPTER_NAMES says (a comma-separated list chosen in CMake: Linux's ttyUSB and
// ttyACM, or macOS's call-out devices).
#include "PortListing.h"

#include <QDir>
#include <algorithm>

namespace board {

QStringList UsbAdapterPorts(const QString& deviceDir)
{
    QStringList adapterNames;
    for (const QString& prefix : QStringLiteral(LDX_USB_ADAPTER_NAMES).split(QLatin1Char(',')))
        adapterNames << prefix + QLatin1Char('*');
    QStringList adapters = QDir(deviceDir).entryList(adapterNames, QDir::Files | QDir::System);
    std::sort(adapters.begin(), adapters.end(), NaturalLess);
    QStringList ports;
    for (const QString& adapter : adapters)
        ports << QDir(deviceDir).filePath(adapter);
    return ports;
}

}  // namespace board
