#include "InstrumentRunner.h"

#include "LineAssembler.h"

#include <algorithm>

namespace scpi {

CInstrumentRunner::CInstrumentRunner(CInstrument& instrument) : m_instrument(instrument)
{
    m_worker.moveToThread(&m_thread);
    m_thread.start();
}

CInstrumentRunner::~CInstrumentRunner()
{
    {
        QMutexLocker lock(&m_mutex);
        m_jobs.clear();
    }
    // Queued behind the line under way, if there is one.
    QMetaObject::invokeMethod(&m_worker, [this] { m_instrument.LetGo(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

CInstrumentRunner::ClientId CInstrumentRunner::Open()
{
    const auto client = std::make_shared<Client>();
    ClientId id;
    {
        QMutexLocker lock(&m_mutex);
        id = m_nextClient++;
        m_clients.insert(id, client);
    }
    QMetaObject::invokeMethod(&m_worker, [this, client] { m_instrument.Attach(client->session); }, Qt::QueuedConnection);
    return id;
}

void CInstrumentRunner::Close(ClientId id)
{
    std::shared_ptr<Client> client;
    {
        QMutexLocker lock(&m_mutex);
        client = m_clients.take(id);
        m_jobs.erase(std::remove_if(m_jobs.begin(), m_jobs.end(), [id](const Job& job) { return job.client == id; }), m_jobs.end());
    }
    if (client)  // the session goes once the instrument has let it go
        QMetaObject::invokeMethod(&m_worker, [this, client] { m_instrument.Detach(client->session); }, Qt::QueuedConnection);
}

void CInstrumentRunner::Run(ClientId id, const QByteArray& line, bool tooLong, Answered answered)
{
    QMutexLocker lock(&m_mutex);
    const std::shared_ptr<Client> client = m_clients.value(id);
    if (!client)
        return;
    ++client->waiting;
    m_jobs.push_back({id, line, tooLong, std::move(answered)});
    if (!std::exchange(m_running, true))
        QMetaObject::invokeMethod(&m_worker, [this] { RunNext(); }, Qt::QueuedConnection);
}

void CInstrumentRunner::Drop(ClientId id)
{
    QMutexLocker lock(&m_mutex);
    const std::shared_ptr<Client> client = m_clients.value(id);
    const auto before = m_jobs.size();
    m_jobs.erase(std::remove_if(m_jobs.begin(), m_jobs.end(), [id](const Job& job) { return job.client == id; }), m_jobs.end());
    if (client)
        client->waiting -= int(before - m_jobs.size());
}

int CInstrumentRunner::Waiting(ClientId id) const
{
    const std::shared_ptr<Client> client = Find(id);
    return client ? client->waiting : 0;
}

int CInstrumentRunner::StatusByte(ClientId id, bool answerHeld) const
{
    const std::shared_ptr<Client> client = Find(id);
    return client ? client->session.PublishedStatusByte(answerHeld) : 0;
}

void CInstrumentRunner::SetAnswerHeld(ClientId id, bool held)
{
    if (const std::shared_ptr<Client> client = Find(id))
        client->session.answerHeld = held;
}

void CInstrumentRunner::LookForBoard()
{
    QMetaObject::invokeMethod(&m_worker, [this] { m_instrument.LookForBoard(); }, Qt::QueuedConnection);
}

// One line, then the next is queued behind whatever came to the worker meanwhile (a client
// that came or went).
void CInstrumentRunner::RunNext()
{
    Job job;
    std::shared_ptr<Client> client;
    {
        QMutexLocker lock(&m_mutex);
        if (m_jobs.empty()) {
            m_running = false;
            return;
        }
        job = std::move(m_jobs.front());
        m_jobs.pop_front();
        client = m_clients.value(job.client);
    }
    std::optional<QByteArray> answer;
    if (client && job.tooLong) {
        client->session.errors.Add({kTooMuchData, QStringLiteral("a line of more than %1 bytes").arg(CLineAssembler::kMaxLine)});
        client->session.Publish();
    } else if (client) {
        answer = m_instrument.RunLine(client->session, job.line);
        client->session.answersOnTheirWay += answer ? 1 : 0;
    }
    QMetaObject::invokeMethod(
        this, [this, id = job.client, answer, answered = std::move(job.answered)] { Deliver(id, answer, answered); },
        Qt::QueuedConnection);
    QMetaObject::invokeMethod(&m_worker, [this] { RunNext(); }, Qt::QueuedConnection);
}

void CInstrumentRunner::Deliver(ClientId id, const std::optional<QByteArray>& answer, const Answered& answered)
{
    const std::shared_ptr<Client> client = Find(id);
    if (!client)
        return;  // it has gone, and its answer with it
    {
        QMutexLocker lock(&m_mutex);
        --client->waiting;
    }
    client->session.answersOnTheirWay -= answer ? 1 : 0;
    answered(answer);
}

std::shared_ptr<CInstrumentRunner::Client> CInstrumentRunner::Find(ClientId id) const
{
    QMutexLocker lock(&m_mutex);
    return m_clients.value(id);
}

}  // namespace scpi
