#include "PortDevice.h"

namespace board {

QString Describe(const OpenFailure& failure)
{
    switch (failure.reason) {
    case OpenFailure::Reason::NoSuchDevice:
        return QStringLiteral("no such device");
    case OpenFailure::Reason::InUse:
        return QStringLiteral("in use by another program");
    case OpenFailure::Reason::PermissionDenied:
        if (failure.detail.isEmpty())
            return QStringLiteral("permission denied");
        return QStringLiteral("permission denied; the device belongs to group '%1': "
                              "add yourself with 'sudo usermod -aG %1 $USER' and log in again")
            .arg(failure.detail);
    case OpenFailure::Reason::NotASerialPort:
        return QStringLiteral("not a serial port");
    case OpenFailure::Reason::CannotConfigure:
        return QStringLiteral("cannot be configured: %1").arg(failure.detail);
    case OpenFailure::Reason::CannotOpen:
        break;
    }
    return QStringLiteral("cannot be opened: %1").arg(failure.detail);
}

}  // namespace board
