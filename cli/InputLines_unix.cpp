// POSIX: the descriptor itself, watched beside the wake descriptor.
#include "InputLines.h"

#include <cstdio>
#include <iterator>
#include <poll.h>
#include <unistd.h>

namespace cli {

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
        // A negative wake descriptor is left out. An interrupted or failed wait is waited
        // again: the wake descriptor tells whether a signal ends the run.
        pollfd watch[] = {{STDIN_FILENO, POLLIN, {}}, {m_wakeDescriptor, POLLIN, {}}};
        if (::poll(watch, std::size(watch), -1) == -1)
            continue;
        if (watch[1].revents & POLLIN)
            return std::nullopt;
        char buffer[BUFSIZ];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (count > 0)
            m_pending.append(buffer, count);
        else
            m_ended = true;  // the end of input, or a read error
    }
}

}  // namespace cli
