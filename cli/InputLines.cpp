#include "InputLines.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <poll.h>
#include <unistd.h>
#else
#include <iostream>
#include <string>
#endif

namespace cli {

#ifdef Q_OS_UNIX

// Reads what has come, not a buffer's worth: stdio would wait for more than one line.
std::optional<QString> CInputLines::Next()
{
    for (;;) {
        const qsizetype end = m_pending.indexOf('\n');
        if (end >= 0) {
            const QByteArray line = m_pending.left(end);
            m_pending.remove(0, end + 1);
            return QString::fromLocal8Bit(line).remove(QLatin1Char('\r'));
        }
        if (m_ended) {
            if (m_pending.isEmpty())
                return std::nullopt;
            return QString::fromLocal8Bit(std::exchange(m_pending, {})).remove(QLatin1Char('\r'));
        }
        pollfd watch[2] = {{STDIN_FILENO, POLLIN, 0}, {m_wakeDescriptor, POLLIN, 0}};
        const int ready = ::poll(watch, m_wakeDescriptor >= 0 ? 2 : 1, -1);
        if (ready < 0 && errno == EINTR)
            continue;  // a signal: the wake descriptor tells whether it was one that ends
        if (ready < 0 || (watch[1].revents & POLLIN))
            return std::nullopt;
        char buffer[4096];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            m_ended = true;
        else
            m_pending.append(buffer, count);
    }
}

#else

std::optional<QString> CInputLines::Next()
{
    std::string line;
    if (!std::getline(std::cin, line))
        return std::nullopt;
    return QString::fromLocal8Bit(line.c_str()).remove(QLatin1Char('\r'));
}

#endif

}  // namespace cli
