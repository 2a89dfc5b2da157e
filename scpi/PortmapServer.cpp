#include "PortmapServer.h"

#include <QNetworkDatagram>

namespace scpi {

CPortmapServer::CPortmapServer()
    : m_tcp([this](CRpcListener::ChannelId, const QString&) { return m_programs; }, [](CRpcListener::ChannelId) {})
{
    connect(&m_udp, &QUdpSocket::readyRead, this, [this] { AnswerDatagrams(); });
}

bool CPortmapServer::Listen(const QHostAddress& host, const QList<PortMapping>& mappings, QString* error)
{
    m_programs = {PortmapProgram(PortmapperMappings() + mappings)};
    const QHostAddress any = host.protocol() == QAbstractSocket::IPv6Protocol ? QHostAddress::AnyIPv6 : QHostAddress::AnyIPv4;
    if (!m_tcp.Listen(host, kPortmapPort, error))
        return false;
    if (!m_udp.bind(host.isLoopback() ? host : any, kPortmapPort)) {
        *error = m_udp.errorString();
        m_tcp.Close();
        return false;
    }
    return true;
}

void CPortmapServer::AnswerDatagrams()
{
    while (m_udp.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_udp.receiveDatagram();
        Dispatch(datagram.data(), m_programs, [this, datagram](const QByteArray& reply) {
            if (!reply.isEmpty())
                m_udp.writeDatagram(datagram.makeReply(reply));
        });
    }
}

}  // namespace scpi
