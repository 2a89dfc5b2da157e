// A serial device as the board link sees it: opened once by name, then moving one byte
// at a time. The real serial port and the simulated board both implement it.
#pragma once

#include "LineSettings.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace board {

enum class TransferOutcome {
    Completed,            // done, or ended by the port's own time-out (possibly with nothing moved)
    FailedAtOnce,         // could not start: the device refused or is gone
    FinishedWithFailure,  // started, then reported failure
    TimedOut,             // not done within the caller's limit
};

// With no byte received, gotByte is false and byte 0.
struct ReceiveResult {
    TransferOutcome outcome = TransferOutcome::Completed;
    bool gotByte = false;
    quint8 byte = 0;
};

// Why a device could not be opened: one list for every kind of device, one text each.
struct OpenFailure {
    enum class Reason {
        NoSuchDevice,
        InUse,             // another program holds it
        PermissionDenied,  // detail: the group the device belongs to, when known
        NotASerialPort,
        CannotConfigure,   // detail: the system's words
        CannotOpen,        // detail: the system's words
    };
    Reason reason;
    QString detail;
};

// For a person: "no such device", "in use by another program", ...
QString Describe(const OpenFailure& failure);

// What the port's hardware does to the time the board's one-byte answer takes to come
// back, as far as the program could find out; each field is empty when unknown.
struct PortLatency {
    // A 16550-type UART's receive FIFO passes a byte on only at this many bytes, or after
    // its time-out of about four characters.
    std::optional<int> fifoTriggerBytes;
    // A USB adapter's latency timer: it holds a short answer for this long.
    std::optional<int> adapterLatencyTimerMs;
    bool usbAdapter = false;
};

class CPortDevice {
public:
    virtual ~CPortDevice() = default;

    // Opens the device exclusively and applies the settings; nothing when it did. On
    // failure nothing stays open.
    virtual std::optional<OpenFailure> Open(const LineSettings& settings, const CommTimeouts& timeouts) = 0;
    virtual TransferOutcome Send(quint8 byte, int limitMs) = 0;
    // Receives one byte; a byte already waiting is taken at once.
    virtual ReceiveResult Receive(int limitMs) = 0;
    // Throws away every byte waiting to be received; *dropped, when given, receives them.
    virtual bool DiscardInput(QByteArray* dropped) = 0;
    virtual void Close() = 0;
    // After a successful Open: what the device made of the port beyond the line settings
    // (a low-latency request, the receive FIFO's trigger), a line each for the trace.
    virtual QStringList OpenNotes() const { return {}; }
    // After a successful Open: what the port does to the latency of an answer.
    virtual PortLatency Latency() const { return {}; }
};

// Makes the device behind a port name ("COM4", "/dev/ttyUSB0", ...).
class CPortProvider {
public:
    virtual ~CPortProvider() = default;
    virtual std::unique_ptr<CPortDevice> MakeDevice(const QString& portName) = 0;
    // The name a person would look for, for messages ("COM4 (/dev/ttyS3)").
    virtual QString DescribePort(const QString& portName) const { return portName; }
    // The names of the ports there are, as a person would look for the board's.
    virtual QStringList ListedPorts() const = 0;
};

}  // namespace board
