// A TCP port that serves RPC programs: each connection a CRpcConnection of its own, at most
// kMaxConnections at once.
#pragma once

#include "RpcConnection.h"

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <functional>
#include <map>

namespace scpi {

class CRpcListener : public QObject {
public:
    using ChannelId = int;
    static constexpr int kMaxConnections = 32;
    // The programs a connection may call, given its id and its peer.
    using Programs = std::function<QList<RpcProgram>(ChannelId channel, const QString& peer)>;

    // closed: a connection has ended.
    CRpcListener(Programs programs, std::function<void(ChannelId channel)> closed);
    ~CRpcListener() override;

    // False with *error saying why.
    bool Listen(const QHostAddress& address, quint16 port, QString* error);
    quint16 Port() const { return m_server.serverPort(); }
    // Listens no more, and ends every connection.
    void Close();

private:
    void Accept();

    Programs m_programs;
    std::function<void(ChannelId)> m_closed;
    QTcpServer m_server;
    std::map<ChannelId, CRpcConnection*> m_connections;
    ChannelId m_nextChannel = 1;
};

}  // namespace scpi
