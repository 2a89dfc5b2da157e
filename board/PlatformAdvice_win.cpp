#include "PlatformAdvice.h"

namespace board {

QString PortOptionAdvice()
{
    return QStringLiteral("start with --port COMn to name the board's port");
}

QString FifoTriggerAdvice(int triggerBytes)
{
    return QStringLiteral("the port's receive FIFO holds each answer until %1 bytes have come or about four character "
                          "times have passed: set Device Manager > Ports (COM & LPT) > the port > Properties > Port "
                          "Settings > Advanced > Receive Buffer to its lowest (1)")
        .arg(triggerBytes);
}

QString AdapterLatencyAdvice(std::optional<int> timerMs)
{
    const QString where = QStringLiteral("in Device Manager > Ports (COM & LPT) > the adapter > Properties > Port "
                                         "Settings > Advanced > Latency Timer (msec); this needs administrator rights");
    if (timerMs)
        return QStringLiteral("the USB adapter holds each answer for its latency timer, %1 ms: set it to 1 %2").arg(*timerMs).arg(where);
    return QStringLiteral("the USB adapter's driver holds answers back for a latency timer: set it to its lowest, for "
                          "FTDI adapters 1 %1, or the like setting of other makers")
        .arg(where);
}

}  // namespace board
