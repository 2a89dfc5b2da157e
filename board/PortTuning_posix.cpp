// Off Linux the latency is the driver's own setting: nothing is asked of it here.
#include "PortTuning.h"

#include "AdapterLatency.h"

namespace board {

std::optional<OpenFailure> TunePort(QSerialPort&, const QString& location, qint32, PortTuning& tuning)
{
    const AdapterFacts adapter = LookUpAdapter(location);
    tuning.latency.usbAdapter = adapter.usb;
    tuning.latency.adapterLatencyTimerMs = adapter.latencyTimerMs;
    return std::nullopt;
}

void UndoTuning(QSerialPort&, const PortTuning&) {}

}  // namespace board
