#include "RpcConnection.h"

#include <QPointer>
#include <QTcpSocket>

namespace scpi {

CRpcConnection::CRpcConnection(QTcpSocket* socket, QList<RpcProgram> programs, std::function<void()> closed)
    : m_socket(socket), m_programs(std::move(programs)), m_closed(std::move(closed))
{
    m_socket->setParent(this);
    m_socket->setReadBufferSize(kMaxRecord);
    connect(m_socket, &QTcpSocket::readyRead, this, [this] { ReadIn(); });
    connect(m_socket, &QTcpSocket::disconnected, this, [this] { End(); });
}

CRpcConnection::~CRpcConnection()
{
    m_socket->disconnect(this);
}

void CRpcConnection::ReadIn()
{
    while (!m_ended && m_queued.size() < size_t(kMaxQueued) && m_socket->bytesAvailable() > 0) {
        for (const QByteArray& record : m_records.Take(m_socket->read(4096)))
            m_queued.push_back(record);
        if (m_records.Broken())
            return End();
    }
    AnswerNext();
}

void CRpcConnection::AnswerNext()
{
    if (m_ended || m_call != 0 || m_queued.empty())
        return;
    const QByteArray record = m_queued.front();
    m_queued.pop_front();
    m_call = ++m_lastCall;
    Dispatch(record, m_programs, [connection = QPointer<CRpcConnection>(this), call = m_call](const QByteArray& reply) {
        if (connection)
            connection->Replied(call, reply);
    });
}

// The next call is taken from the event loop, never inside the reply of this one.
void CRpcConnection::Replied(quint64 call, const QByteArray& reply)
{
    if (m_ended || call != m_call)
        return;
    m_call = 0;
    if (m_socket->bytesToWrite() + reply.size() > kSendLimit)
        return End();
    if (!reply.isEmpty())
        m_socket->write(RecordMarked(reply));
    QMetaObject::invokeMethod(this, [this] { ReadIn(); }, Qt::QueuedConnection);
}

void CRpcConnection::End()
{
    if (std::exchange(m_ended, true))
        return;
    m_socket->abort();
    m_closed();
}

}  // namespace scpi
