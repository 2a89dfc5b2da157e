#include "TcpSockets.h"

#include <QRegularExpression>
#include <QSocketNotifier>
#include <array>

#ifdef Q_OS_WIN
#include "SystemMessage.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace scpi {

namespace {

#ifdef Q_OS_WIN

const SocketHandle kNoSocket = SocketHandle(INVALID_SOCKET);

struct CWinsock {
    CWinsock()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~CWinsock() { ::WSACleanup(); }
};

void StartSockets()
{
    static CWinsock winsock;
}

int LastError()
{
    return ::WSAGetLastError();
}

bool WouldBlock(int error)
{
    return error == WSAEWOULDBLOCK || error == WSAEINTR;
}

void CloseSocket(SocketHandle socket)
{
    closesocket(SOCKET(socket));
}

bool MakeNonBlocking(SocketHandle socket)
{
    u_long on = 1;
    return ::ioctlsocket(SOCKET(socket), FIONBIO, &on) == 0;
}

QString ErrorText(int error)
{
    return board::SystemMessage(DWORD(error));
}

int Receive(SocketHandle socket, char* buffer, int size)
{
    return ::recv(SOCKET(socket), buffer, size, 0);
}

int SendSome(SocketHandle socket, const char* bytes, int size)
{
    return ::send(SOCKET(socket), bytes, size, 0);
}

#else

const SocketHandle kNoSocket = -1;

void StartSockets() {}

int LastError()
{
    return errno;
}

bool WouldBlock(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

void CloseSocket(SocketHandle socket)
{
    close(int(socket));
}

bool MakeNonBlocking(SocketHandle socket)
{
    const int flags = ::fcntl(int(socket), F_GETFL);
    return flags >= 0 && ::fcntl(int(socket), F_SETFL, flags | O_NONBLOCK) == 0
           && ::fcntl(int(socket), F_SETFD, FD_CLOEXEC) == 0;
}

QString ErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

int Receive(SocketHandle socket, char* buffer, int size)
{
    return int(::recv(int(socket), buffer, size_t(size), 0));
}

// A reader that has gone makes the send fail, not the program die of SIGPIPE.
int SendSome(SocketHandle socket, const char* bytes, int size)
{
#ifdef MSG_NOSIGNAL
    return int(::send(int(socket), bytes, size_t(size), MSG_NOSIGNAL));
#else
    return int(::send(int(socket), bytes, size_t(size), 0));
#endif
}

#endif

// "127.0.0.1:5025", "[::1]:5025".
QString AddressText(const sockaddr* address, socklen_t length)
{
    std::array<char, 64> host{};
    std::array<char, 16> port{};
    if (::getnameinfo(address, length, host.data(), socklen_t(host.size()), port.data(), socklen_t(port.size()),
                      NI_NUMERICHOST | NI_NUMERICSERV) != 0)
        return QStringLiteral("?");
    const QString name = QString::fromLatin1(host.data());
    return (name.contains(QLatin1Char(':')) ? QLatin1Char('[') + name + QLatin1Char(']') : name) + QLatin1Char(':')
           + QString::fromLatin1(port.data());
}

}  // namespace

CTcpConnection::CTcpConnection(SocketHandle socket, const QString& peer, QObject* parent)
    : QObject(parent), m_socket(socket), m_peer(peer)
{
    m_readNotifier = new QSocketNotifier(m_socket, QSocketNotifier::Read, this);
    m_writeNotifier = new QSocketNotifier(m_socket, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_readNotifier, &QSocketNotifier::activated, this, [this] { ReadWaiting(); });
    connect(m_writeNotifier, &QSocketNotifier::activated, this, [this] { WriteWaiting(); });
}

CTcpConnection::~CTcpConnection()
{
    onClosed = nullptr;
    Close();
}

bool CTcpConnection::IsOpen() const
{
    return m_socket != kNoSocket;
}

void CTcpConnection::Close()
{
    if (!IsOpen())
        return;
    m_readNotifier->setEnabled(false);
    m_writeNotifier->setEnabled(false);
    CloseSocket(m_socket);
    m_socket = kNoSocket;
    m_unsent.clear();
    if (onClosed)
        onClosed();
}

void CTcpConnection::PauseReading(bool paused)
{
    if (IsOpen())
        m_readNotifier->setEnabled(!paused);
}

void CTcpConnection::ReadWaiting()
{
    std::array<char, 4096> buffer;
    while (IsOpen()) {
        const int count = Receive(m_socket, buffer.data(), int(buffer.size()));
        if (count > 0) {
            if (onData)
                onData(QByteArray(buffer.data(), count));
            if (!m_readNotifier->isEnabled())
                return;  // paused by the receiver
            continue;
        }
        if (count < 0 && WouldBlock(LastError()))
            return;
        Close();  // the other end has gone, or the socket failed
    }
}

bool CTcpConnection::Send(const QByteArray& bytes)
{
    if (!IsOpen())
        return true;  // whoever asked has gone: the answer is theirs to lose
    if (m_unsent.size() + bytes.size() > kSendLimit)
        return false;
    m_unsent += bytes;
    WriteWaiting();
    return true;
}

void CTcpConnection::WriteWaiting()
{
    while (IsOpen() && !m_unsent.isEmpty()) {
        const int sent = SendSome(m_socket, m_unsent.constData(), int(m_unsent.size()));
        if (sent > 0) {
            m_unsent.remove(0, sent);
            continue;
        }
        if (sent < 0 && WouldBlock(LastError())) {
            m_writeNotifier->setEnabled(true);
            return;
        }
        Close();
        return;
    }
    if (IsOpen())
        m_writeNotifier->setEnabled(false);
}

CTcpListener::CTcpListener(QObject* parent) : QObject(parent), m_socket(kNoSocket)
{
    StartSockets();
}

CTcpListener::~CTcpListener()
{
    if (m_socket != kNoSocket)
        CloseSocket(m_socket);
}

bool CTcpListener::Listen(const QString& address, QString* error)
{
    // HOST:PORT, [IPv6]:PORT, or PORT alone on the loopback.
    static const QRegularExpression form(QStringLiteral("^(?:(?:\\[([^\\]]+)\\]|([^:\\[\\]]+)):)?([0-9]+)$"));
    const QRegularExpressionMatch parts = form.match(address);
    const QString host = !parts.captured(1).isEmpty() ? parts.captured(1)
                         : !parts.captured(2).isEmpty() ? parts.captured(2) : QStringLiteral("127.0.0.1");
    const QString port = parts.captured(3);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (!parts.hasMatch() || getaddrinfo(host.toLatin1().constData(), port.toLatin1().constData(), &hints, &found) != 0
        || !found) {
        *error = QStringLiteral("'%1' is no address to listen on: [HOST:]PORT, such as 127.0.0.1:5025").arg(address);
        return false;
    }
    const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> owned(found, &::freeaddrinfo);
    m_socket = SocketHandle(::socket(found->ai_family, found->ai_socktype, found->ai_protocol));
    if (m_socket == kNoSocket) {
        *error = ErrorText(LastError());
        return false;
    }
#ifndef Q_OS_WIN
    // A server restarted at once may take its port again.
    const int on = 1;
    setsockopt(int(m_socket), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
#endif
    if (::bind(m_socket, found->ai_addr, socklen_t(found->ai_addrlen)) != 0 || ::listen(m_socket, 64) != 0
        || !MakeNonBlocking(m_socket)) {
        *error = QStringLiteral("cannot listen on %1: %2").arg(address, ErrorText(LastError()));
        CloseSocket(m_socket);
        m_socket = kNoSocket;
        return false;
    }
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    getsockname(m_socket, reinterpret_cast<sockaddr*>(&bound), &length);
    m_address = AddressText(reinterpret_cast<const sockaddr*>(&bound), length);
    m_notifier = new QSocketNotifier(m_socket, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { AcceptWaiting(); });
    return true;
}

void CTcpListener::AcceptWaiting()
{
    for (;;) {
        sockaddr_storage peer{};
        socklen_t length = sizeof peer;
        const SocketHandle socket = SocketHandle(::accept(m_socket, reinterpret_cast<sockaddr*>(&peer), &length));
        if (socket == kNoSocket)
            return;  // none waiting any more, or one that gave up before it was taken
        if (!MakeNonBlocking(socket)) {
            CloseSocket(socket);
            continue;
        }
        auto* connection = new CTcpConnection(socket, AddressText(reinterpret_cast<const sockaddr*>(&peer), length));
        if (onConnection)
            onConnection(connection);
        else
            delete connection;
    }
}

}  // namespace scpi
