#include "PortTuning.h"

#include "AdapterLatency.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <cerrno>
#include <cstring>
#include <linux/serial.h>
#include <sys/ioctl.h>

namespace board {

namespace {

QString SystemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// ftdi_sio and most USB serial drivers pass bytes on at once in this mode.
void RequestLowLatency(QSerialPort& port, PortTuning& tuning)
{
    const int descriptor = int(port.handle());
    serial_struct info {};
    if (::ioctl(descriptor, TIOCGSERIAL, &info) != 0) {
        tuning.notes << QStringLiteral("low-latency mode not available: %1").arg(SystemError());
        return;
    }
    tuning.previousSerialFlags = info.flags;
    info.flags |= ASYNC_LOW_LATENCY;
    if (::ioctl(descriptor, TIOCSSERIAL, &info) != 0) {
        tuning.notes << QStringLiteral("low-latency mode refused: %1").arg(SystemError());
        return;
    }
    tuning.lowLatencyChanged = true;
    tuning.notes << QStringLiteral("low-latency mode on");
}

// The 8250 driver shows a 16550's receive trigger, to anyone, in this file; ports of other
// drivers have none.
std::optional<int> ReadFifoTrigger(const QString& file)
{
    QFile trigger(file);
    bool isNumber = false;
    const int bytes = trigger.open(QIODevice::ReadOnly) ? trigger.readAll().trimmed().toInt(&isNumber) : 0;
    return isNumber ? std::optional<int>(bytes) : std::nullopt;
}

// Only root may write the trigger, but the 8250 driver itself sets a one-byte trigger when
// the line is set below 2400 baud, and keeps it when the speed goes back up. No byte is on
// the line meanwhile, so nothing reaches the board.
// A line that cannot be set back to the board's speed fails the open.
bool RequestOneByteFifoTrigger(QSerialPort& port, const QString& location, qint32 baudRate, PortTuning& tuning)
{
    const QString name = QFileInfo(QFileInfo(location).canonicalFilePath()).fileName();
    const QString file = QStringLiteral("/sys/class/tty/%1/rx_trig_bytes").arg(name);
    const std::optional<int> before = name.isEmpty() ? std::nullopt : ReadFifoTrigger(file);
    if (!before) {
        tuning.notes << QStringLiteral("no receive FIFO trigger to set: not a 16550-type port");
        return true;
    }
    if (*before > 1 && port.setBaudRate(1200) && !port.setBaudRate(baudRate))
        return false;
    const int after = ReadFifoTrigger(file).value_or(*before);
    tuning.latency.fifoTriggerBytes = after;
    tuning.notes << QStringLiteral("receive FIFO trigger %1 -> %2 byte%3").arg(*before).arg(after).arg(after == 1 ? "" : "s");
    return true;
}

}  // namespace

std::optional<OpenFailure> TunePort(QSerialPort& port, const QString& location, qint32 baudRate, PortTuning& tuning)
{
    if (!RequestOneByteFifoTrigger(port, location, baudRate, tuning))
        return OpenFailure{OpenFailure::Reason::CannotConfigure, port.errorString()};
    RequestLowLatency(port, tuning);
    // Read after the request: ftdi_sio's low-latency mode sets its timer to 1 ms.
    const AdapterFacts adapter = LookUpAdapter(location);
    tuning.latency.usbAdapter = adapter.usb;
    tuning.latency.adapterLatencyTimerMs = adapter.latencyTimerMs;
    if (adapter.latencyTimerMs)
        tuning.notes << QStringLiteral("the adapter's latency timer: %1 ms").arg(*adapter.latencyTimerMs);
    return std::nullopt;
}

void UndoTuning(QSerialPort& port, const PortTuning& tuning)
{
    if (!tuning.lowLatencyChanged)
        return;
    const int descriptor = int(port.handle());
    serial_struct info {};
    if (::ioctl(descriptor, TIOCGSERIAL, &info) != 0)
        return;
    info.flags = (info.flags & ~ASYNC_LOW_LATENCY) | (tuning.previousSerialFlags & ASYNC_LOW_LATENCY);
    ioctl(descriptor, TIOCSSERIAL, &info);
}

}  // namespace board
