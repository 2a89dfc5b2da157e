#include "ScpiServer.h"

#include <QTimer>
#include <algorithm>

namespace scpi {

CScpiServer::CScpiServer(CInstrument& instrument, std::function<void(const QString&)> log)
    : m_instrument(instrument), m_log(std::move(log))
{
    m_listener.onConnection = [this](CTcpConnection* connection) { Accept(connection); };
}

CScpiServer::~CScpiServer()
{
    for (const std::unique_ptr<Client>& client : m_clients) {
        client->connection->onClosed = nullptr;
        delete client->connection;
    }
}

void CScpiServer::Accept(CTcpConnection* connection)
{
    if (int(m_clients.size()) >= kMaxClients) {
        m_log(QStringLiteral("client %1 refused: %2 clients are connected already").arg(connection->Peer()).arg(kMaxClients));
        delete connection;
        return;
    }
    m_clients.push_back(std::make_unique<Client>());
    Client* client = m_clients.back().get();
    client->connection = connection;
    connection->setParent(this);
    connection->onData = [this, client](const QByteArray& data) {
        for (const CLineAssembler::Line& line : client->lines.Take(data))
            Queue(client, line);
    };
    connection->onClosed = [this, client] { Leave(client, QStringLiteral("left")); };
    m_log(QStringLiteral("client %1 connected (%2 of %3)").arg(connection->Peer()).arg(m_clients.size()).arg(kMaxClients));
}

void CScpiServer::Queue(Client* client, const CLineAssembler::Line& line)
{
    m_lines.push_back({client, line});
    if (++client->pending >= kMaxPendingLines)
        client->connection->PauseReading(true);
    if (!std::exchange(m_runScheduled, true))
        QTimer::singleShot(0, this, [this] { RunNext(); });
}

// One line at a time, so that the sockets are read between two lines.
void CScpiServer::RunNext()
{
    m_runScheduled = false;
    if (m_lines.empty())
        return;
    const PendingLine next = m_lines.front();
    m_lines.pop_front();
    Client* client = next.client;
    if (--client->pending < kMaxPendingLines)
        client->connection->PauseReading(false);
    if (next.line.tooLong) {
        client->session.errors.Add({kTooMuchData, QStringLiteral("a line of more than %1 bytes").arg(CLineAssembler::kMaxLine)});
    } else if (const std::optional<QByteArray> answer = m_instrument.RunLine(client->session, next.line.text)) {
        if (!client->connection->Send(*answer + '\n'))
            client->connection->Close();  // it does not read its answers
    }
    if (!m_lines.empty() && !std::exchange(m_runScheduled, true))
        QTimer::singleShot(0, this, [this] { RunNext(); });
}

// A client that leaves loses its answers and the lines it has not had run.
void CScpiServer::Leave(Client* client, const QString& why)
{
    m_log(QStringLiteral("client %1 %2").arg(client->connection->Peer(), why));
    m_lines.erase(std::remove_if(m_lines.begin(), m_lines.end(), [client](const PendingLine& line) { return line.client == client; }),
                  m_lines.end());
    client->connection->onData = nullptr;
    client->connection->onClosed = nullptr;
    client->connection->deleteLater();
    m_clients.remove_if([client](const std::unique_ptr<Client>& each) { return each.get() == client; });
}

}  // namespace scpi
