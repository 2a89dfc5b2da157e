// TCP sockets on the event loop: a listener that hands over each connection, and a
// connection that reads and writes without blocking. The system's own sockets (Winsock on
// Windows) under Qt's socket notifiers, because the Qt for Windows the program ships with
// has no Qt Network; the same code runs everywhere.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace scpi {

using SocketHandle = qintptr;

class CTcpConnection : public QObject {
public:
    // Takes over a connected socket.
    CTcpConnection(SocketHandle socket, const QString& peer, QObject* parent = nullptr);
    ~CTcpConnection() override;

    QString Peer() const { return m_peer; }
    // What the other end sent, as it comes; and that it has gone (or the socket failed).
    std::function<void(const QByteArray& data)> onData;
    std::function<void()> onClosed;

    // Queues bytes to send; false when more than the limit is waiting, the other end not
    // reading: then nothing is queued.
    bool Send(const QByteArray& bytes);
    // Stops and resumes reading, so that a sender that runs ahead waits in its own buffers.
    void PauseReading(bool paused);
    bool IsOpen() const;
    void Close();

    static constexpr qsizetype kSendLimit = 64 * 1024;

private:
    void ReadWaiting();
    void WriteWaiting();

    SocketHandle m_socket;
    QString m_peer;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    QByteArray m_unsent;
};

class CTcpListener : public QObject {
public:
    explicit CTcpListener(QObject* parent = nullptr);
    ~CTcpListener() override;

    // address: "HOST:PORT", "[IPv6]:PORT" or "PORT" (loopback). False with *error saying why.
    bool Listen(const QString& address, QString* error);
    // Where it listens, as "127.0.0.1:5025", the port the system chose for port 0 included.
    QString Address() const { return m_address; }
    // Each new connection; the receiver owns it.
    std::function<void(CTcpConnection* connection)> onConnection;

private:
    void AcceptWaiting();

    SocketHandle m_socket;
    QString m_address;
    QSocketNotifier* m_notifier = nullptr;
};

}  // namespace scpi
