#include "PlatformAdvice.h"

namespace board {

QString PortOptionAdvice()
{
    return QStringLiteral("start with --port DEVICE (/dev/ttyUSB0, say) to name the board's port");
}

QString FifoTriggerAdvice(int triggerBytes)
{
    return QStringLiteral("the port's receive FIFO holds each answer until %1 bytes have come or about four character "
                          "times have passed, and the driver kept that trigger: as root, write 1 into the port's "
                          "rx_trig_bytes under /sys/class/tty/")
        .arg(triggerBytes);
}

QString AdapterLatencyAdvice(std::optional<int> timerMs)
{
    if (timerMs)
        return QStringLiteral("the USB adapter holds each answer for its latency timer, %1 ms, and its driver did not "
                              "lower it for the low-latency request: as root, write 1 into the adapter's latency_timer "
                              "under /sys/bus/usb-serial/devices/")
            .arg(*timerMs);
    return QStringLiteral("the USB adapter's driver holds answers back in spite of the low-latency request: an adapter "
                          "with an FTDI chip passes them on at once");
}

}  // namespace board
