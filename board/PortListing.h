// The machine's serial ports: the list a person reads to find the board's port, and the
// ports the search tries when none is named.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace board {

struct SerialPortEntry {
    QString name;          // "ttyUSB0", "COM3"
    QString location;      // "/dev/ttyUSB0", "COM3"
    QString description;   // empty when unknown
    QString manufacturer;
    std::optional<int> vendorId;  // USB vendor and product ids; none when not a USB device
    std::optional<int> productId;
    QString serialNumber;
    QString holder;        // who holds the port open; empty when it is free
    std::optional<int> latencyTimerMs;  // a USB adapter's latency timer, where its driver says
};

// Every serial port the system reports, in natural order of name (ttyS2 before ttyS10);
// ListSerialPorts also says who holds each.
QList<SerialPortEntry> SystemSerialPorts();
QList<SerialPortEntry> ListSerialPorts();

// One line per port, columns aligned: name, device, description, manufacturer, USB
// vendor:product, serial number, the adapter's latency timer ("-" where unknown), then
// "free" or "in use by ...".
// A single explanatory line when there is none.
QStringList FormatPortListing(const QList<SerialPortEntry>& ports);

// "0403:6001"; empty when the port is not a USB device.
QString UsbId(const SerialPortEntry& port);

// The lock file that QSerialPort, minicom and other programs leave while they hold a
// device: "LCK.." and the device's path below /dev with '/' made '_' (LCK..ttyUSB0,
// LCK..pts_3).
QString LockFileName(const QString& location);

// Who holds the device open, as far as the system lets us see ("minicom (pid 4242)",
// "another program"); empty when nobody does. Never opens the device itself off Windows.
QString PortHolder(const QString& location);

// The group whose members may use the device, for the advice to join it when it cannot be
// opened; empty when unknown, and on Windows.
QString DeviceGroup(const QString& location);

// The names the search tries when none is given: COM4, COM3, COM2, COM1, then the USB
// serial adapters present: on Windows OtherComPorts of the system's list, elsewhere the
// adapters' devices in deviceDir, in natural order.
QStringList DefaultCandidatePorts(const QString& deviceDir = QStringLiteral("/dev"));
// The USB serial adapters present, as DefaultCandidatePorts takes them after COM1.
QStringList UsbAdapterPorts(const QString& deviceDir);

// The COM ports of a Windows listing other than COM1..COM4 (USB adapters are COM5 and up),
// in number order, without Bluetooth serial links: opening one makes Windows try to reach
// the paired device, which can take many seconds.
QStringList OtherComPorts(const QList<SerialPortEntry>& listed);

// "ttyUSB2" before "ttyUSB10".
bool NaturalLess(const QString& a, const QString& b);

}  // namespace board
