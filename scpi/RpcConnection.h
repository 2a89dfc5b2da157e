// One client's TCP connection to RPC programs: its records read as calls and answered one
// at a time, in order (a call whose answer waits holds those behind it, and the client's
// socket holds the rest), each reply sent as a record. Broken record marking ends the
// connection, and so does a client that does not read its replies.
#pragma once

#include "RpcDispatch.h"
#include "RpcRecords.h"

#include <QObject>
#include <deque>
#include <functional>

class QTcpSocket;

namespace scpi {

class CRpcConnection : public QObject {
public:
    static constexpr qsizetype kMaxRecord = 64 * 1024;
    static constexpr qsizetype kMaxQueued = 4;          // records taken in before their turn
    static constexpr qint64 kSendLimit = 256 * 1024;    // replies the client has not read

    // Takes the socket; closed: once, when the connection has ended, from whichever side.
    CRpcConnection(QTcpSocket* socket, QList<RpcProgram> programs, std::function<void()> closed);
    ~CRpcConnection() override;

private:
    void ReadIn();
    void AnswerNext();
    void Replied(quint64 call, const QByteArray& reply);
    void End();

    QTcpSocket* m_socket;
    QList<RpcProgram> m_programs;
    std::function<void()> m_closed;
    CRecordAssembler m_records{kMaxRecord};
    std::deque<QByteArray> m_queued;
    quint64 m_call = 0;  // the call being answered; 0: none
    quint64 m_lastCall = 0;
    bool m_ended = false;
};

}  // namespace scpi
