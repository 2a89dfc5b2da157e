#include "ScpiServer.h"

#include <QHostInfo>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QScopeGuard>
#include <algorithm>

namespace scpi {

QString AddressText(const QHostAddress& address, quint16 port)
{
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol && !address.toIPv4Address()
                             ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
                             : QHostAddress(address.toIPv4Address()).toString();
    return host + QLatin1Char(':') + QString::number(port);
}

CScpiServer::CScpiServer(CInstrumentRunner& runner, std::function<void(const QString&)> log)
    : m_runner(runner), m_log(std::move(log))
{
    connect(&m_listener, &QTcpServer::newConnection, this, [this] { Accept(); });
}

CScpiServer::~CScpiServer()
{
    for (const auto& [id, client] : m_clients) {
        m_runner.Close(id);
        client->socket->disconnect(this);
        delete client->socket;
    }
}

bool CScpiServer::Listen(const QString& address, QString* error)
{
    // HOST:PORT, [IPv6]:PORT, or PORT alone on the loopback.
    static const QRegularExpression form(QStringLiteral("^(?:(?:\\[([^\\]]+)\\]|([^:\\[\\]]+)):)?([0-9]{1,5})$"));
    const QRegularExpressionMatch parts = form.match(address);
    const QString host = !parts.captured(1).isEmpty() ? parts.captured(1)
                         : !parts.captured(2).isEmpty() ? parts.captured(2) : QStringLiteral("127.0.0.1");
    const int port = parts.captured(3).toInt();
    QHostAddress bound(host);
    if (bound.isNull() && parts.hasMatch()) {
        const QList<QHostAddress> found = QHostInfo::fromName(host).addresses();
        bound = found.value(0);
    }
    if (!parts.hasMatch() || bound.isNull() || port > 65535) {
        *error = QStringLiteral("'%1' is no address to listen on: [HOST:]PORT, such as 127.0.0.1:5025").arg(address);
        return false;
    }
    if (!m_listener.listen(bound, quint16(port))) {
        *error = QStringLiteral("cannot listen on %1: %2").arg(address, m_listener.errorString());
        return false;
    }
    return true;
}

QString CScpiServer::Address() const
{
    return AddressText(m_listener.serverAddress(), m_listener.serverPort());
}

void CScpiServer::Accept()
{
    while (QTcpSocket* socket = m_listener.nextPendingConnection()) {
        const QString peer = AddressText(socket->peerAddress(), socket->peerPort());
        if (int(m_clients.size()) >= kMaxClients) {
            m_log(QStringLiteral("client %1 refused: %2 clients are connected already").arg(peer).arg(kMaxClients));
            socket->abort();
            socket->deleteLater();
            continue;
        }
        const ClientId id = m_runner.Open();
        m_clients[id] = std::make_unique<Client>(Client{socket, peer, {}});
        socket->setReadBufferSize(kReadLimit);
        connect(socket, &QTcpSocket::readyRead, this, [this, id] { ReadFrom(id); });
        connect(socket, &QTcpSocket::disconnected, this, [this, id] { Leave(id, QStringLiteral("left")); });
        m_log(QStringLiteral("client %1 connected (%2 of %3)").arg(peer).arg(m_clients.size()).arg(kMaxClients));
        ReadFrom(id);  // what came with the connection
    }
}

// A client that has left loses the lines it has not had run: before its lines go to the
// runner, its socket is looked at once more, which finds the end of a stream that came with
// them (and so leaves the client).
void CScpiServer::ReadFrom(ClientId id)
{
    if (std::exchange(m_reading, true))
        return;
    const auto done = qScopeGuard([this] { m_reading = false; });
    if (m_clients.count(id))
        m_clients.at(id)->socket->waitForReadyRead(0);
    while (m_clients.count(id) && !Paused(id) && m_clients.at(id)->socket->bytesAvailable() > 0) {
        Client& client = *m_clients.at(id);
        for (const CLineAssembler::Line& line : client.lines.Take(client.socket->read(4096)))
            m_runner.Run(id, line.text, line.tooLong, [this, id](const std::optional<QByteArray>& answer) { Answered(id, answer); });
    }
}

void CScpiServer::Answered(ClientId id, const std::optional<QByteArray>& answer)
{
    if (!m_clients.count(id))
        return;
    QTcpSocket* socket = m_clients.at(id)->socket;
    if (answer && socket->bytesToWrite() + answer->size() + 1 > kSendLimit)
        return socket->abort();  // it does not read its answers
    if (answer)
        socket->write(*answer + '\n');
    // Below its limit again: what waits in its socket is taken in.
    ReadFrom(id);
}

// A client that leaves loses its answers and the lines it has not had run.
void CScpiServer::Leave(ClientId id, const QString& why)
{
    const auto found = m_clients.find(id);
    if (found == m_clients.end())
        return;
    const std::unique_ptr<Client> client = std::move(found->second);
    m_clients.erase(found);
    m_runner.Close(id);
    m_log(QStringLiteral("client %1 %2").arg(client->peer, why));
    client->socket->disconnect(this);
    client->socket->deleteLater();
}

}  // namespace scpi
