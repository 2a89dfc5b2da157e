#include "PtyBoard.h"

#include "SimulatedBoard.h"

#include <QDir>
#include <QFile>
#include <QtTest>
#include <array>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

CPtyBoard::CPtyBoard(Responder responder) : m_responder(std::move(responder))
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        throw std::runtime_error("no pseudo-terminal");
    m_devicePath = QString::fromLocal8Bit(::ptsname(m_master));
    // Raw on the slave side from the start, so nothing is echoed or translated before
    // the program configures the line itself.
    termios attributes{};
    ::tcgetattr(m_master, &attributes);
    ::cfmakeraw(&attributes);
    ::tcsetattr(m_master, TCSANOW, &attributes);
    m_thread = std::thread([this] { Run(); });
}

CPtyBoard::~CPtyBoard()
{
    m_stop = true;
    m_thread.join();
    Unplug();
}

QByteArray CPtyBoard::Received() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

QByteArray CPtyBoard::ReceivedOnce(int count, int limitMs) const
{
    (void)QTest::qWaitFor([&] { return Received().size() >= count; }, limitMs);
    return Received();
}

bool CPtyBoard::Locked() const
{
    return QFile::exists("/var/lock/" + LockFileName()) || QFile::exists(QDir::tempPath() + '/' + LockFileName());
}

void CPtyBoard::SendUnasked(const QByteArray& bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_master >= 0)
        (void)!::write(m_master, bytes.constData(), size_t(bytes.size()));
}

void CPtyBoard::Unplug()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

void CPtyBoard::Run()
{
    while (!m_stop) {
        std::array<char, 64> buffer{};
        ssize_t count = 0;
        {
            // Read only while the master is ours: Unplug may close it, and its number may
            // then belong to another file.
            std::lock_guard<std::mutex> lock(m_mutex);
            pollfd watch{m_master, POLLIN, 0};
            if (m_master >= 0 && ::poll(&watch, 1, 0) > 0 && (watch.revents & POLLIN))
                count = ::read(m_master, buffer.data(), buffer.size());
            m_received.append(buffer.data(), qMax<qsizetype>(count, 0));
        }
        if (count <= 0)
            ::usleep(1000);
        for (ssize_t i = 0; i < count; ++i)
            SendUnasked(m_responder(quint8(buffer[size_t(i)])));
    }
}

// The simulated board's own answers, one byte each.
CPtyBoard::Responder CPtyBoard::AnswerLikeTheBoard()
{
    auto port = std::make_shared<board::CSimulatedPort>(std::make_shared<board::CSimulatedBoard>());
    QString unused;
    port->Open({}, {}, &unused);
    return [port](quint8 byte) {
        port->Send(byte, 0);
        const board::ReceiveResult answer = port->Receive(0);
        return answer.gotByte ? QByteArray(1, char(answer.byte)) : QByteArray();
    };
}
