#include "ScpiErrors.h"

#include <utility>

namespace scpi {

QString ErrorText(int code)
{
    switch (code) {
    case kNoError: return QStringLiteral("No error");
    case kSyntaxError: return QStringLiteral("Syntax error");
    case kDataTypeError: return QStringLiteral("Data type error");
    case kParameterNotAllowed: return QStringLiteral("Parameter not allowed");
    case kMissingParameter: return QStringLiteral("Missing parameter");
    case kUndefinedHeader: return QStringLiteral("Undefined header");
    case kDataOutOfRange: return QStringLiteral("Data out of range");
    case kTooMuchData: return QStringLiteral("Too much data");
    case kHardwareError: return QStringLiteral("Hardware error");
    case kSelfTestFailed: return QStringLiteral("Self-test failed");
    case kQueueOverflow: return QStringLiteral("Queue overflow");
    default: return QStringLiteral("Error");
    }
}

QString ErrorAnswer(const Error& error)
{
    QString text = ErrorText(error.code);
    if (!error.detail.isEmpty())
        text += QLatin1Char(';') + error.detail;
    // A double quote inside a string is doubled.
    return QStringLiteral("%1,\"%2\"").arg(error.code).arg(text.replace(QLatin1Char('"'), QLatin1String("\"\"")));
}

void CErrorQueue::Add(const Error& error)
{
    const int tens = -error.code / 100;
    m_eventStatus |= tens == 1 ? kCommandError : tens == 2 ? kExecutionError : tens == 3 ? kDeviceError : kQueryError;
    if (m_errors.size() < kCapacity) {
        m_errors << error;
        return;
    }
    m_errors.last() = Error{kQueueOverflow, {}};
    m_eventStatus |= kDeviceError;
}

Error CErrorQueue::Next()
{
    return m_errors.isEmpty() ? Error{} : m_errors.takeFirst();
}

int CErrorQueue::TakeEventStatus()
{
    return std::exchange(m_eventStatus, 0);
}

void CErrorQueue::Clear()
{
    m_errors.clear();
    m_eventStatus = 0;
}

}  // namespace scpi
