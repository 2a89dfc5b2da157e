// SCPI's error codes, and what a client session keeps of its errors: the error queue that
// SYSTem:ERRor? reads, and the event status register that *ESR? reads.
#pragma once

#include <QList>
#include <QString>

namespace scpi {

inline constexpr int kNoError = 0;
inline constexpr int kSyntaxError = -102;
inline constexpr int kDataTypeError = -104;
inline constexpr int kParameterNotAllowed = -108;
inline constexpr int kMissingParameter = -109;
inline constexpr int kUndefinedHeader = -113;
inline constexpr int kDataOutOfRange = -222;
inline constexpr int kTooMuchData = -223;
inline constexpr int kHardwareError = -240;
inline constexpr int kSelfTestFailed = -330;
inline constexpr int kQueueOverflow = -350;

// The event status register's bits that errors set, and the one *OPC sets: a command
// error for -1xx, an execution error for -2xx, a device-dependent error for -3xx, a query
// error for -4xx.
inline constexpr int kOperationComplete = 0x01;
inline constexpr int kQueryError = 0x04;
inline constexpr int kDeviceError = 0x08;
inline constexpr int kExecutionError = 0x10;
inline constexpr int kCommandError = 0x20;

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
    int EventStatus() const { return m_eventStatus; }

private:
    QList<Error> m_errors;
    int m_eventStatus = 0;
};

}  // namespace scpi
