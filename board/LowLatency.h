// Many USB serial chips hold each received byte for up to 16 ms before passing it on, so
// that every one-byte exchange with the board costs 16 ms instead of 2. The serial
// driver's low-latency mode asks them to pass bytes on at once.
#pragma once

#include <QString>
#include <QtGlobal>

namespace board {

struct LowLatencyRequest {
    QString note;          // for the trace: on, refused, not available
    bool changed = false;  // the flags were set here and are to be put back
    int previousFlags = 0;
};

// Asks for the low-latency mode on an open serial device. A device that refuses (a
// pseudo-terminal has no serial driver) keeps working as before.
LowLatencyRequest RequestLowLatency(qintptr descriptor);

// Leaves the device as it was found, before it is closed.
void UndoLowLatency(qintptr descriptor, const LowLatencyRequest& request);

}  // namespace board
