// The instrument on a thread of its own. The front doors (the raw socket, VXI-11) hand it
// their clients' lines from the server's thread; it runs them one at a time, in the order
// they came from all clients together, and hands each answer back on the server's thread.
// A board search, or a silent board's waits, never hold the sockets: a new client, a
// status byte and an abort are answered while a line runs.
#pragma once

#include "Instrument.h"

#include <QHash>
#include <QMutex>
#include <QObject>
#include <QThread>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace scpi {

class CInstrumentRunner : public QObject {
public:
    using ClientId = int;
    // Called on the server's thread once the line has run: its answer, if it has one.
    using Answered = std::function<void(const std::optional<QByteArray>& answer)>;

    // The instrument is the runner's to use from its thread until the runner is gone.
    explicit CInstrumentRunner(CInstrument& instrument);
    // Lets the line under way finish (a command is never cut between its bytes), drops the
    // others, and closes the board's port.
    ~CInstrumentRunner() override;

    // A client's session, until it is closed: its lines not yet run are dropped, and an
    // answer of a line under way is not delivered.
    ClientId Open();
    void Close(ClientId client);

    // Queues a line of the client's (a line over the length limit: tooLong, its text gone).
    void Run(ClientId client, const QByteArray& line, bool tooLong, Answered answered);
    // Drops the client's lines that have not started (a device clear).
    void Drop(ClientId client);
    // The client's lines queued or under way.
    int Waiting(ClientId client) const;
    // The status byte as it is now, even while a line runs; answerHeld: the front door has
    // an answer of the client waiting to be fetched.
    int StatusByte(ClientId client, bool answerHeld) const;
    // Says whether the front door holds an answer of the client, for *STB? to see.
    void SetAnswerHeld(ClientId client, bool held);

    // Looks for the board, off the server's thread, as at the start.
    void LookForBoard();

private:
    struct Job {
        ClientId client;
        QByteArray line;
        bool tooLong;
        Answered answered;
    };
    struct Client {
        Session session;
        int waiting = 0;  // lines queued or under way
    };

    void RunNext();  // on the instrument's thread
    void Deliver(ClientId client, const std::optional<QByteArray>& answer, const Answered& answered);
    std::shared_ptr<Client> Find(ClientId client) const;

    CInstrument& m_instrument;
    QThread m_thread;
    QObject m_worker;  // lives on m_thread: what runs there is queued to it
    mutable QMutex m_mutex;  // guards what follows
    QHash<ClientId, std::shared_ptr<Client>> m_clients;
    std::deque<Job> m_jobs;
    bool m_running = false;  // a job is queued to the worker or under way
    ClientId m_nextClient = 1;
};

}  // namespace scpi
