// PortListing.h's PortHolder and DeviceGroup on Windows.
#include "PortListing.h"

#include <windows.h>

namespace board {

QString PortHolder(const QString& location)
{
    // Windows opens a COM port exclusively: a second open is refused while it is held.
    const std::wstring path = QStringLiteral("\\\\.\\%1").arg(location).toStdWString();
    const HANDLE port = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE)
        return ::GetLastError() == ERROR_ACCESS_DENIED ? QStringLiteral("another program") : QString();
    CloseHandle(port);
    return {};
}

QString DeviceGroup(const QString& location)
{
    Q_UNUSED(location);
    return {};
}

}  // namespace board
