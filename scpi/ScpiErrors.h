// SCPI's error codes, and what a client session keeps of its errors: the error queue that
// SYSTem:ERRor? reads, and the event status register that *ESR? reads.
#pragma once

#include <QList>
#include <QString>

namespace scpi {

enum ErrorCode {
    kNoError = 0,
    kSyntaxError = -102,
    kDataTypeError = -104,
    kParameterNotAllowed = -108,
    kMissingParameter = -109,
    kUndefinedHeader = -113,
    kDataOutOfRange = -222,
    kTooMuchData = -223,
    kHardwareError = -240,
    kQueueOverflow = -350,
};

// The event status register's bits that errors set, and the one *OPC sets.
enum EventStatus {
    kOperationComplete = 0x01,
    kQueryError = 0x04,
    kDeviceError = 0x08,
    kExecutionError = 0x10,
    kCommandError = 0x20,
};

struct Error {
    int code = kNoError;
    QString detail;  // what this program adds to SCPI's text: which board failure, which value
};

// SCPI's own text of a code: "Data out of range".
QString ErrorText(int code);
// As SYSTem:ERRor? answers it: -222,"Data out of range;12.3 mA is not one of the 64 steps".
QString ErrorAnswer(const Error& error);

class CErrorQueue {
public:
    static constexpr int kCapacity = 16;

    // When the queue is full its last entry becomes -350, and later errors are lost until
    // it is read. Sets the matching bit of the event status register.
    void Add(const Error& error);
    // The oldest error, taken from the queue; "No error" when there is none.
    Error Next();
    // *ESR?: the register, cleared.
    int TakeEventStatus();
    void SetOperationComplete() { m_eventStatus |= kOperationComplete; }
    // *CLS.
    void Clear();
    int Count() const { return int(m_errors.size()); }

private:
    QList<Error> m_errors;
    int m_eventStatus = 0;
};

}  // namespace scpi
