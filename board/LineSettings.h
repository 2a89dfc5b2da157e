// The line settings and time-outs the board needs, as plain records.
#pragma once

#include <QtGlobal>

namespace board {

// The fields of the line that the link sets; the platform's other settings are left alone,
// except software flow control and character replacement, which would eat or change the
// binary register values 0x00, 0x11 and 0x13.
struct LineSettings {
    qint32 BaudRate = 9600;
    int ByteSize = 8;
    int Parity = 0;         // none
    int StopBits = 0;       // one stop bit
    bool fBinary = true;
    bool fOutxCtsFlow = false;
    bool fOutxDsrFlow = false;
    int fDtrControl = 0;    // DTR held off
    bool fDsrSensitivity = false;
    int fRtsControl = 0;    // RTS held off
    bool fOutX = false;     // no XON/XOFF on output
    bool fInX = false;      // nor on input
};

// Milliseconds. With one byte a transfer, the port itself ends a read or a write after
// multiplier * 1 + constant = 110 ms; a transfer so ended has completed, possibly with
// nothing moved.
struct CommTimeouts {
    quint32 ReadIntervalTimeout = 10;
    quint32 ReadTotalTimeoutMultiplier = 10;
    quint32 ReadTotalTimeoutConstant = 100;
    quint32 WriteTotalTimeoutMultiplier = 10;
    quint32 WriteTotalTimeoutConstant = 100;

    int OneByteReadMs() const { return int(ReadTotalTimeoutMultiplier + ReadTotalTimeoutConstant); }
    int OneByteWriteMs() const { return int(WriteTotalTimeoutMultiplier + WriteTotalTimeoutConstant); }
};

}  // namespace board
