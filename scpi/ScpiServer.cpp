#include "ScpiServer.h"

#include <QHostInfo>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>

namespace scpi {

QString AddressText(const QHostAddress& address, quint16 port)
{
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol && !address.toIPv4Address()
                             ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
                             : QHostAddress(address.toIPv4Address()).toString();
    return host + QLatin1Char(':') + QString::number(port);
}

CScpiServer::CScpiServer(CInstrument& instrument, std::function<void(const QString&)> log)
    : m_instrument(instrument), m_log(std::move(log))
{
    connect(&m_listener, &QTcpServer::newConnection, this, [this] { Accept(); });
}

CScpiServer::~CScpiServer()
{
    for (const std::unique_ptr<Client>& client : m_clients) {
        m_instrument.Detach(client->session);
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
        m_clients.push_back(std::make_unique<Client>());
        Client* client = m_clients.back().get();
        client->socket = socket;
        client->peer = peer;
        socket->setReadBufferSize(kReadLimit);
        m_instrument.Attach(client->session);
        connect(socket, &QTcpSocket::readyRead, this, [this, client] { ReadFrom(client); });
        connect(socket, &QTcpSocket::disconnected, this, [this, client] { Leave(client, QStringLiteral("left")); });
        m_log(QStringLiteral("client %1 connected (%2 of %3)").arg(peer).arg(m_clients.size()).arg(kMaxClients));
        ReadFrom(client);  // what came with the connection
    }
}

void CScpiServer::ReadFrom(Client* client)
{
    while (!Paused(client) && client->socket->bytesAvailable() > 0) {
        for (const CLineAssembler::Line& line : client->lines.Take(client->socket->read(4096))) {
            m_lines.push_back({client, line});
            ++client->pending;
        }
    }
    if (client->pending > 0)
        ScheduleRun();
}

void CScpiServer::ScheduleRun()
{
    if (!std::exchange(m_runScheduled, true))
        QTimer::singleShot(0, this, [this] { RunNext(); });
}

// One line at a time, so that the sockets are served between two lines.
void CScpiServer::RunNext()
{
    m_runScheduled = false;
    // A client that has left loses the lines it has not had run: its socket is looked at
    // once more before its next line runs, which finds the end of a stream that came with
    // the lines (and so leaves the client).
    while (!m_lines.empty()) {
        Client* client = m_lines.front().client;
        client->socket->waitForReadyRead(0);
        if (!m_lines.empty() && m_lines.front().client == client)
            break;
    }
    if (m_lines.empty())
        return;
    const PendingLine next = m_lines.front();
    m_lines.pop_front();
    Client* client = next.client;
    --client->pending;
    if (next.line.tooLong) {
        client->session.errors.Add({kTooMuchData, QStringLiteral("a line of more than %1 bytes").arg(CLineAssembler::kMaxLine)});
    } else {
        client->session.outputPending = client->socket->bytesToWrite() > 0;
        if (const std::optional<QByteArray> answer = m_instrument.RunLine(client->session, next.line.text))
            Send(client, *answer + '\n');
    }
    // Below its limit again: what waits in its socket is taken in.
    if (client->socket->state() == QAbstractSocket::ConnectedState)
        ReadFrom(client);
    if (!m_lines.empty())
        ScheduleRun();
}

void CScpiServer::Send(Client* client, const QByteArray& answer)
{
    if (client->socket->bytesToWrite() + answer.size() > kSendLimit) {
        client->socket->abort();  // it does not read its answers
        return;
    }
    client->socket->write(answer);
}

// A client that leaves loses its answers and the lines it has not had run.
void CScpiServer::Leave(Client* client, const QString& why)
{
    m_log(QStringLiteral("client %1 %2").arg(client->peer, why));
    m_lines.erase(std::remove_if(m_lines.begin(), m_lines.end(), [client](const PendingLine& line) { return line.client == client; }),
                  m_lines.end());
    m_instrument.Detach(client->session);
    client->socket->disconnect(this);
    client->socket->deleteLater();
    m_clients.remove_if([client](const std::unique_ptr<Client>& each) { return each.get() == client; });
}

}  // namespace scpi
