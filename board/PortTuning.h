// What the program does to a serial port beyond its line settings, so that the board's
// one-byte answer comes back as soon as it is on the wire: a USB adapter's driver is asked
// for its low-latency mode (many chips hold a received byte for up to 16 ms otherwise), and
// a 16550-type UART's receive FIFO is given a one-byte trigger (it holds a lone byte for
// about four character times otherwise). A port that has neither, such as a
// pseudo-terminal, is left alone.
#pragma once

#include "PortDevice.h"

class QSerialPort;

namespace board {

struct PortTuning {
    QStringList notes;    // a line each for the trace
    PortLatency latency;  // what the port does to an answer's latency once tuned
    // The driver's flags as found, to be put back at close when they were changed.
    bool lowLatencyChanged = false;
    int previousSerialFlags = 0;
};

// Tunes an open, configured port running at baudRate, into tuning; nothing when the port
// is fit to use, else why not (the caller closes it).
std::optional<OpenFailure> TunePort(QSerialPort& port, const QString& location, qint32 baudRate, PortTuning& tuning);

// Puts back what can be put back, before the port is closed. The FIFO trigger stays: only
// root may set it, and a one-byte trigger costs nothing at the board's speed.
void UndoTuning(QSerialPort& port, const PortTuning& tuning);

}  // namespace board
