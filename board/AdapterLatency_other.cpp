// Where the system does not say (macOS, the BSDs): a USB adapter is known by its name alone.
#include "AdapterLatency.h"

namespace board {

AdapterFacts LookUpAdapter(const QString& location)
{
    AdapterFacts facts;
    facts.usb = location.contains(QLatin1String("usbserial")) || location.contains(QLatin1String("usbmodem"));
    return facts;
}

}  // namespace board
