// The SCPI server's raw socket: clients on TCP (at most kMaxClients at once), their lines
// handed to the instrument's runner in arrival order, each answer sent to the client that
// asked. Every buffer and queue is bounded: a client that runs ahead waits in its own
// socket, and one that does not read its answers is let go.
#pragma once

#include "InstrumentRunner.h"
#include "LineAssembler.h"

#include <QObject>
#include <QTcpServer>
#include <functional>
#include <map>
#include <memory>

class QTcpSocket;

namespace scpi {

class CScpiServer : public QObject {
public:
    static constexpr int kMaxClients = 8;
    static constexpr int kMaxPendingLines = 32;      // a client's lines waiting; more wait in its socket
    static constexpr qint64 kReadLimit = 64 * 1024;  // what a paused client's socket takes in
    static constexpr qint64 kSendLimit = 64 * 1024;  // answers a client has not read

    // log: one line for a person, a client that came or left.
    CScpiServer(CInstrumentRunner& runner, std::function<void(const QString&)> log);
    ~CScpiServer() override;

    // address: "HOST:PORT", "[IPv6]:PORT" or "PORT" (loopback). False with *error saying why.
    bool Listen(const QString& address, QString* error);
    // Where it listens, as "127.0.0.1:5025", the port the system chose for port 0 included.
    QString Address() const;
    // The host part of it, where the other front doors listen too.
    QHostAddress Host() const { return m_listener.serverAddress(); }

private:
    using ClientId = CInstrumentRunner::ClientId;
    struct Client {
        QTcpSocket* socket = nullptr;
        QString peer;
        CLineAssembler lines;
    };

    void Accept();
    // Takes in what the client sent, up to its limit of waiting lines.
    void ReadFrom(ClientId id);
    bool Paused(ClientId id) const { return m_runner.Waiting(id) >= kMaxPendingLines; }
    void Answered(ClientId id, const std::optional<QByteArray>& answer);
    void Leave(ClientId id, const QString& why);

    CInstrumentRunner& m_runner;
    std::function<void(const QString&)> m_log;
    QTcpServer m_listener;
    std::map<ClientId, std::unique_ptr<Client>> m_clients;
    bool m_reading = false;  // ReadFrom is under way: a read inside it is its own
};

// "127.0.0.1:5025", "[::1]:5025".
QString AddressText(const QHostAddress& address, quint16 port);

}  // namespace scpi
