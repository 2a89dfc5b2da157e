// The SCPI server: clients on TCP (at most kMaxClients at once), their lines taken in
// arrival order and run one at a time on the instrument, each answer sent to the client
// that asked. Every buffer and queue is bounded.
#pragma once

#include "Instrument.h"
#include "LineAssembler.h"
#include "TcpSockets.h"

#include <QObject>
#include <deque>
#include <functional>
#include <list>
#include <memory>

namespace scpi {

class CScpiServer : public QObject {
public:
    static constexpr int kMaxClients = 8;
    static constexpr int kMaxPendingLines = 32;  // a client's lines waiting; more wait in its socket

    // log: one line for a person, a client that came or left.
    CScpiServer(CInstrument& instrument, std::function<void(const QString&)> log);
    ~CScpiServer() override;

    bool Listen(const QString& address, QString* error) { return m_listener.Listen(address, error); }
    QString Address() const { return m_listener.Address(); }

private:
    struct Client {
        CTcpConnection* connection = nullptr;
        Session session;
        CLineAssembler lines;
        int pending = 0;  // lines of it waiting to run
    };
    struct PendingLine {
        Client* client;
        CLineAssembler::Line line;
    };

    void Accept(CTcpConnection* connection);
    void Queue(Client* client, const CLineAssembler::Line& line);
    void RunNext();
    void Leave(Client* client, const QString& why);

    CInstrument& m_instrument;
    std::function<void(const QString&)> m_log;
    CTcpListener m_listener;
    std::list<std::unique_ptr<Client>> m_clients;
    std::deque<PendingLine> m_lines;  // in arrival order
    bool m_runScheduled = false;
};

}  // namespace scpi
