// VXI-11's core and abort channels without their sockets: the links, each a client of the
// instrument's runner with a session of its own, and the calls of each, answered now or,
// when they must wait (for the lock, for an answer, for room in the link's queue), by a
// timer's state, never by holding the event loop. The board work is the runner's.
#pragma once

#include "InstrumentRunner.h"
#include "RpcDispatch.h"
#include "ScpiServer.h"
#include "Vxi11Messages.h"

#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>
#include <map>
#include <memory>

namespace scpi {

class CVxi11Core : public QObject {
public:
    using ChannelId = int;
    static constexpr int kMaxLinks = CScpiServer::kMaxClients;
    static constexpr int kMaxPendingLines = CScpiServer::kMaxPendingLines;  // lines and answers a link holds
    static constexpr const char* kDeviceName = "inst0";

    // log: one line for a person, a link created or gone.
    CVxi11Core(CInstrumentRunner& runner, std::function<void(const QString&)> log);
    ~CVxi11Core() override;

    // Where the abort channel listens, for create_link to say.
    void SetAbortPort(quint16 port) { m_abortPort = port; }
    // The core channel as one connection, from peer, has it: its links are its own.
    RpcProgram CoreProgram(ChannelId channel, const QString& peer);
    RpcProgram AbortProgram();
    // The connection is gone, and its links with it, their lines not yet run and their answers.
    void ChannelClosed(ChannelId channel);

    // How far a call that may have to wait got. Public for the helper that makes them.
    enum class Outcome { Answered, WaitsForLock, WaitsForIo };
    // A call that may have to wait: tried again whenever something changed, until it is
    // answered or its time is up (lock_timeout while it waits for the lock, io_timeout
    // while it waits for an answer or for room).
    struct Waiting {
        qint32 link = 0;
        qint32 flags = 0;
        quint32 lockTimeout = 0;
        quint32 ioTimeout = 0;
        std::function<Outcome()> attempt;        // answers the call when it can
        std::function<void(qint32 error)> fail;  // answers it with an error
        Outcome state = Outcome::Answered;
        QTimer deadline;
    };

private:
    using ClientId = CInstrumentRunner::ClientId;
    struct Link {
        ChannelId channel = 0;
        QString peer;
        ClientId client = 0;
        QByteArray message;  // a message's data until its END
        bool tooLong = false;
        std::deque<QByteArray> answers;  // each with its LF, until read
        int generation = 0;              // a device clear's: older answers are dropped
    };

    bool AnswerCore(ChannelId channel, const QString& peer, const RpcCall& call, const RpcRespond& respond);
    void CreateLink(ChannelId channel, const QString& peer, const RpcCall& call, const RpcRespond& respond);
    void DestroyLink(const RpcCall& call, const RpcRespond& respond);
    void Write(const RpcCall& call, const RpcRespond& respond);
    void Read(const RpcCall& call, const RpcRespond& respond);
    void ReadStatusByte(const RpcCall& call, const RpcRespond& respond);
    void Clear(const RpcCall& call, const RpcRespond& respond);
    void Lock(const RpcCall& call, const RpcRespond& respond);
    void Unlock(const RpcCall& call, const RpcRespond& respond);
    void Abort(const RpcCall& call, const RpcRespond& respond);

    // A link's call that may wait: tried now, and again at every change until answered.
    void Start(std::unique_ptr<Waiting> waiting);
    bool Step(quint64 key);  // true once the call is answered
    void RetryWaiting();
    void Expire(quint64 key);
    void FailWaiting(qint32 link, qint32 error);

    Link* Find(qint32 id);
    bool LockedByOther(qint32 id) const { return m_lockHolder != 0 && m_lockHolder != id; }
    int Backlog(const Link& link) const;
    // A write's data: held until END, then run as the message's lines.
    void Take(qint32 id, Link& link, const QByteArray& data, bool end);
    void Answered(qint32 id, int generation, const std::optional<QByteArray>& answer);
    QByteArray TakeAnswer(Link& link, const ReadParms& parms);
    void HeldChanged(const Link& link);
    void Destroy(qint32 id, const QString& why);

    CInstrumentRunner& m_runner;
    std::function<void(const QString&)> m_log;
    quint16 m_abortPort = 0;
    std::map<qint32, Link> m_links;
    std::map<quint64, std::unique_ptr<Waiting>> m_waiting;  // in the order the calls came
    qint32 m_nextLink = 1;
    quint64 m_nextWaiting = 1;
    qint32 m_lockHolder = 0;  // the link that holds the lock; 0: none
    bool m_retrying = false;
};

}  // namespace scpi
