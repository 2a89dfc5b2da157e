// The SCPI server: clients on TCP (at most kMaxClients at once), their lines taken in
// arrival order and run one at a time on the instrument, each answer sent to the client
// that asked. Every buffer and queue is bounded: a client that runs ahead waits in its own
// socket, and one that does not read its answers is let go.
#pragma once

#include "Instrument.h"
#include "LineAssembler.h"

#include <QObject>
#include <QTcpServer>
#include <deque>
#include <functional>
#include <list>
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
    CScpiServer(CInstrument& instrument, std::function<void(const QString&)> log);
    ~CScpiServer() override;

    // address: "HOST:PORT", "[IPv6]:PORT" or "PORT" (loopback). False with *error saying why.
    bool Listen(const QString& address, QString* error);
    // Where it listens, as "127.0.0.1:5025", the port the system chose for port 0 included.
    QString Address() const;

private:
    struct Client {
        QTcpSocket* socket = nullptr;
        QString peer;
        Session session;
        CLineAssembler lines;
        int pending = 0;  // lines of it waiting to run
    };
    struct PendingLine {
        Client* client;
        CLineAssembler::Line line;
    };

    void Accept();
    // Takes in what the client sent, up to its limit of waiting lines.
    void ReadFrom(Client* client);
    bool Paused(const Client* client) const { return client->pending >= kMaxPendingLines; }
    void RunNext();
    void ScheduleRun();
    void Send(Client* client, const QByteArray& answer);
    void Leave(Client* client, const QString& why);

    CInstrument& m_instrument;
    std::function<void(const QString&)> m_log;
    QTcpServer m_listener;
    std::list<std::unique_ptr<Client>> m_clients;
    std::deque<PendingLine> m_lines;  // in arrival order
    bool m_runScheduled = false;
};

// "127.0.0.1:5025", "[::1]:5025".
QString AddressText(const QHostAddress& address, quint16 port);

}  // namespace scpi
