#include "PtyBoard.h"

#include "PortListing.h"
#include "SimulatedBoard.h"

#include <QDir>
#include <QFile>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <stdexcept>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Written by the board into its own slave end behind whatever the program wrote: the
// terminal keeps the order, so once it has come back out of the master side, so has
// everything before it. Letters, which no output processing of the line changes.
constexpr char kDrainMark[] = "PtyBoardDrainMark";
constexpr qsizetype kDrainMarkLength = sizeof kDrainMark - 1;

}  // namespace

CPtyBoard::CPtyBoard(Responder responder) : m_responder(std::move(responder))
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 || ::pipe2(m_wakePipe, O_CLOEXEC) != 0)
        throw std::runtime_error("no pseudo-terminal");
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_devicePath = QString::fromLocal8Bit(::ptsname(m_master));
    m_slave = ::open(::ptsname(m_master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    // Raw from the start, so that nothing is echoed or translated before the program sets
    // the line up itself.
    termios line{};
    ::tcgetattr(m_master, &line);
    ::cfmakeraw(&line);
    ::tcsetattr(m_master, TCSANOW, &line);
    m_thread = std::thread([this] { Serve(); });
}

CPtyBoard::~CPtyBoard()
{
    Wake('s');
    m_thread.join();
    Unplug();
    for (int end : m_wakePipe)
        ::close(end);
}

QByteArray CPtyBoard::Received() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

QByteArray CPtyBoard::WaitForReceived(int count, std::chrono::milliseconds limit) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait_for(lock, limit, [&] { return m_received.size() >= count; });
    return m_received;
}

QByteArray CPtyBoard::ReceivedAfterDrain()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_slave < 0)
        return m_received;
    const int drains = m_drains;
    m_draining = true;
    (void)!::write(m_slave, kDrainMark, kDrainMarkLength);
    m_changed.wait_for(lock, std::chrono::seconds(10), [&] { return m_drains > drains || m_master < 0; });
    return m_received;
}

bool CPtyBoard::Locked() const
{
    const QString name = board::LockFileName(m_devicePath);
    return QFile::exists("/var/lock/" + name) || QFile::exists(QDir::tempPath() + '/' + name);
}

void CPtyBoard::SendUnasked(const QByteArray& bytes)
{
    WriteToProgram(bytes);
    const auto waiting = [this] {
        std::lock_guard<std::mutex> lock(m_mutex);
        int count = 0;
        return m_slave < 0 || (::ioctl(m_slave, FIONREAD, &count) == 0 && count >= 0) ? count : 0;
    };
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (waiting() < bytes.size() && std::chrono::steady_clock::now() < limit)
        std::this_thread::yield();
}

void CPtyBoard::WriteToProgram(const QByteArray& bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_master >= 0)
        (void)!::write(m_master, bytes.constData(), size_t(bytes.size()));
}

void CPtyBoard::Unplug()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (int* end : {&m_master, &m_slave}) {
            if (*end >= 0)
                ::close(*end);
            *end = -1;
        }
    }
    m_changed.notify_all();
    Wake('u');  // the thread stops watching the closed master
}

void CPtyBoard::Wake(char why)
{
    (void)!::write(m_wakePipe[1], &why, 1);
}

// Sleeps in poll until bytes or a wake-up come.
void CPtyBoard::Serve()
{
    // A real board answers within a character time; the program under test gives it the
    // port's 110 ms. On a loaded machine (sanitizer builds side by side) this thread could
    // wait longer than that for a core, and a test would see a board that did not answer:
    // where the system allows it, it runs before every ordinary thread.
    sched_param priority{};
    priority.sched_priority = sched_get_priority_min(SCHED_FIFO);
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &priority);
    for (;;) {
        int master;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            master = m_master;
        }
        pollfd watch[] = {{m_wakePipe[0], POLLIN, 0}, {master, POLLIN, 0}};  // a closed master (-1) is left out
        char why = 0;
        if (::poll(watch, 2, -1) > 0 && (watch[0].revents & POLLIN) && ::read(m_wakePipe[0], &why, 1) == 1 && why == 's')
            return;
        if (watch[1].revents & POLLIN)
            TakeWaitingBytes();
    }
}

void CPtyBoard::TakeWaitingBytes()
{
    for (;;) {
        unsigned char buffer[64];
        ssize_t count;
        bool draining;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_master < 0)
                return;
            count = ::read(m_master, buffer, sizeof buffer);
            if (count <= 0)
                return;
            m_received.append(reinterpret_cast<const char*>(buffer), count);
            draining = m_draining;
            // The writer has stopped while draining: nothing is answered, and the mark,
            // once it is through, is no byte of the program's.
            if (draining && m_received.endsWith(kDrainMark)) {
                m_received.chop(kDrainMarkLength);
                m_draining = false;
                ++m_drains;
            }
        }
        m_changed.notify_all();
        for (ssize_t i = 0; i < count && !draining; ++i)
            WriteToProgram(m_responder(buffer[i]));
    }
}

// The simulated board's own answers, one byte each.
CPtyBoard::Responder CPtyBoard::AnswerLikeTheBoard()
{
    auto port = std::make_shared<board::CSimulatedPort>(std::make_shared<board::CSimulatedBoard>());
    port->Open({}, {});
    return [port](quint8 byte) {
        port->Send(byte, 0);
        const board::ReceiveResult answer = port->Receive(0);
        return answer.gotByte ? QByteArray(1, char(answer.byte)) : QByteArray();
    };
}
