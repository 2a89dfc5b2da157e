// Windows names its USB serial adapters COM5 and up: they come from the system's list.
#include "PortListing.h"

namespace board {

QStringList UsbAdapterPorts(const QString& deviceDir)
{
    Q_UNUSED(deviceDir)
    return OtherComPorts(SystemSerialPorts());
}

}  // namespace board
