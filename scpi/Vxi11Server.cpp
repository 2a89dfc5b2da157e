#include "Vxi11Server.h"

namespace scpi {

CVxi11Server::CVxi11Server(CInstrumentRunner& runner, std::function<void(const QString&)> log)
    : m_core(runner, std::move(log)),
      m_coreChannel([this](CRpcListener::ChannelId channel, const QString& peer) { return QList<RpcProgram>{m_core.CoreProgram(channel, peer)}; },
                    [this](CRpcListener::ChannelId channel) { m_core.ChannelClosed(channel); }),
      m_abortChannel([this](CRpcListener::ChannelId, const QString&) { return QList<RpcProgram>{m_core.AbortProgram()}; },
                     [](CRpcListener::ChannelId) {})
{
}

bool CVxi11Server::Listen(const QHostAddress& host, QString* error)
{
    if (!m_coreChannel.Listen(host, 0, error) || !m_abortChannel.Listen(host, 0, error)) {
        Close();
        return false;
    }
    m_core.SetAbortPort(m_abortChannel.Port());
    m_host = host;
    return true;
}

QString CVxi11Server::Address() const
{
    return AddressText(m_host, m_coreChannel.Port());
}

QList<PortMapping> CVxi11Server::Mappings() const
{
    return {{kCoreProgram, kVxi11Version, kProtocolTcp, m_coreChannel.Port()}};
}

void CVxi11Server::Close()
{
    m_coreChannel.Close();
    m_abortChannel.Close();
}

}  // namespace scpi
