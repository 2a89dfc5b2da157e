#include "Bench.h"

#include "BoardCommands.h"

#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace bench {

CPtyPeer::CPtyPeer(bool answering) : m_answering(answering)
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 || ::pipe2(m_stopPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("no pseudo-terminal");
    m_devicePath = QString::fromLocal8Bit(::ptsname(m_master));
    m_slaveKeptOpen = ::open(::ptsname(m_master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    // Raw from the start, so nothing is echoed before the program sets the line up.
    termios line{};
    ::tcgetattr(m_master, &line);
    ::cfmakeraw(&line);
    ::tcsetattr(m_master, TCSANOW, &line);
    m_thread = std::thread([this] { Serve(); });
}

CPtyPeer::~CPtyPeer()
{
    (void)!::write(m_stopPipe[1], "x", 1);
    m_thread.join();
    for (int descriptor : {m_stopPipe[0], m_stopPipe[1], m_slaveKeptOpen, m_master})
        ::close(descriptor);
}

std::optional<Clock::time_point> CPtyPeer::WaitForFirst(quint8 byte, std::chrono::milliseconds limit)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_arrived.wait_for(lock, limit, [&] { return m_firstArrival[byte].has_value(); });
    return m_firstArrival[byte];
}

// Sleeps in poll until bytes or the stop signal come: no timer runs here.
void CPtyPeer::Serve()
{
    pollfd watch[2] = {{m_master, POLLIN, 0}, {m_stopPipe[0], POLLIN, 0}};
    for (;;) {
        if (::poll(watch, 2, -1) < 0)
            continue;
        if (watch[1].revents)
            return;
        if (!(watch[0].revents & POLLIN))
            continue;
        unsigned char buffer[64];
        const ssize_t count = ::read(m_master, buffer, sizeof buffer);
        const Clock::time_point arrival = Clock::now();
        for (ssize_t i = 0; i < count; ++i) {
            if (m_answering)
                (void)!::write(m_master, &board::ACK, 1);
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_firstArrival[buffer[i]])
                m_firstArrival[buffer[i]] = arrival;
        }
        m_arrived.notify_all();
    }
}

}  // namespace bench
