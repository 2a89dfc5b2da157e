// What Windows says an error code means, for messages a person reads.
#pragma once

#include <QString>

namespace board {

// The system's text for an error code of GetLastError or WSAGetLastError (a DWORD),
// trimmed; "error N" when the system has none.
QString SystemMessage(unsigned long error);

}  // namespace board
