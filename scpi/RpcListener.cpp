#include "RpcListener.h"

#include "ScpiServer.h"

#include <QTcpSocket>

namespace scpi {

CRpcListener::CRpcListener(Programs programs, std::function<void(ChannelId)> closed)
    : m_programs(std::move(programs)), m_closed(std::move(closed))
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] { Accept(); });
}

CRpcListener::~CRpcListener()
{
    Close();
}

bool CRpcListener::Listen(const QHostAddress& address, quint16 port, QString* error)
{
    if (m_server.listen(address, port))
        return true;
    *error = m_server.errorString();
    return false;
}

void CRpcListener::Close()
{
    m_server.close();
    for (const auto& [channel, connection] : std::exchange(m_connections, {}))
        delete connection;
}

void CRpcListener::Accept()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        if (int(m_connections.size()) >= kMaxConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        const ChannelId channel = m_nextChannel++;
        const QString peer = AddressText(socket->peerAddress(), socket->peerPort());
        m_connections[channel] = new CRpcConnection(socket, m_programs(channel, peer), [this, channel] {
            const auto found = m_connections.find(channel);
            if (found == m_connections.end())
                return;
            found->second->deleteLater();  // it is under way
            m_connections.erase(found);
            m_closed(channel);
        });
    }
}

}  // namespace scpi
