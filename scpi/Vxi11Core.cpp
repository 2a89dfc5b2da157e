#include "Vxi11Core.h"

#include "LineAssembler.h"

#include <QScopeGuard>
#include <algorithm>
#include <climits>

namespace scpi {

namespace {

int Milliseconds(quint32 timeout)
{
    return int(std::min<quint32>(timeout, INT_MAX));
}

template <typename Parms>
std::unique_ptr<CVxi11Core::Waiting> NewWaiting(const Parms& parms, quint32 ioTimeout)
{
    auto waiting = std::make_unique<CVxi11Core::Waiting>();
    waiting->link = parms.link;
    waiting->flags = parms.flags;
    waiting->lockTimeout = parms.lockTimeout;
    waiting->ioTimeout = ioTimeout;
    return waiting;
}

}  // namespace

CVxi11Core::CVxi11Core(CInstrumentRunner& runner, std::function<void(const QString&)> log) : m_runner(runner), m_log(std::move(log)) {}

CVxi11Core::~CVxi11Core()
{
    m_waiting.clear();
    for (const auto& [id, link] : m_links)
        m_runner.Close(link.client);
}

RpcProgram CVxi11Core::CoreProgram(ChannelId channel, const QString& peer)
{
    return {kCoreProgram, kVxi11Version,
            [this, channel, peer](const RpcCall& call, const RpcRespond& respond) { return AnswerCore(channel, peer, call, respond); }};
}

RpcProgram CVxi11Core::AbortProgram()
{
    return {kAbortProgram, kVxi11Version, [this](const RpcCall& call, const RpcRespond& respond) {
                if (call.procedure != kDeviceAbort)
                    return false;
                Abort(call, respond);
                return true;
            }};
}

bool CVxi11Core::AnswerCore(ChannelId channel, const QString& peer, const RpcCall& call, const RpcRespond& respond)
{
    switch (CoreProcedure(call.procedure)) {
    case CoreProcedure::CreateLink:
        CreateLink(channel, peer, call, respond);
        break;
    case CoreProcedure::DestroyLink:
        DestroyLink(call, respond);
        break;
    case CoreProcedure::DeviceWrite:
        Write(call, respond);
        break;
    case CoreProcedure::DeviceRead:
        Read(call, respond);
        break;
    case CoreProcedure::DeviceReadStb:
        ReadStatusByte(call, respond);
        break;
    case CoreProcedure::DeviceClear:
        Clear(call, respond);
        break;
    case CoreProcedure::DeviceLock:
        Lock(call, respond);
        break;
    case CoreProcedure::DeviceUnlock:
        Unlock(call, respond);
        break;
    case CoreProcedure::DeviceDocmd:
        Answer(call, respond, DocmdResult(kVxiNotSupported));
        break;
    case CoreProcedure::DeviceTrigger:
    case CoreProcedure::DeviceRemote:
    case CoreProcedure::DeviceLocal:
    case CoreProcedure::DeviceEnableSrq:
    case CoreProcedure::CreateIntrChan:
    case CoreProcedure::DestroyIntrChan:
        Answer(call, respond, ErrorResult(kVxiNotSupported));
        break;
    default:
        return false;
    }
    RetryWaiting();  // what the call changed may let a waiting one go on
    return true;
}

void CVxi11Core::ChannelClosed(ChannelId channel)
{
    std::vector<qint32> gone;
    for (const auto& [id, link] : m_links)
        if (link.channel == channel)
            gone.push_back(id);
    for (const qint32 id : gone)
        Destroy(id, QStringLiteral("left"));
    RetryWaiting();
}

void CVxi11Core::CreateLink(ChannelId channel, const QString& peer, const RpcCall& call, const RpcRespond& respond)
{
    const std::optional<CreateLinkParms> parms = DecodeCreateLink(call.arguments);
    if (!parms)
        return Answer(call, respond, std::nullopt);
    if (parms->device.toLower() != kDeviceName) {  // as VISA's resource names, in any case
        m_log(QStringLiteral("VXI-11 link from %1 refused: no device '%2' here, only %3").arg(peer, QString::fromLatin1(parms->device), QLatin1String(kDeviceName)));
        return Answer(call, respond, CreateLinkResult(kVxiDeviceNotAccessible, 0, 0));
    }
    if (int(m_links.size()) >= kMaxLinks) {
        m_log(QStringLiteral("VXI-11 link from %1 refused: %2 links are open already").arg(peer).arg(kMaxLinks));
        return Answer(call, respond, CreateLinkResult(kVxiOutOfResources, 0, 0));
    }
    const qint32 id = m_nextLink++;
    m_links[id] = Link{channel, peer, m_runner.Open(), {}, false, {}, 0};
    m_log(QStringLiteral("VXI-11 link %1 from %2 created (%3 of %4)").arg(id).arg(peer).arg(m_links.size()).arg(kMaxLinks));
    auto waiting = std::make_unique<Waiting>();
    waiting->link = id;
    waiting->flags = kWaitLock;  // a link asked for locked waits its lock_timeout for the lock
    waiting->lockTimeout = parms->lockTimeout;
    waiting->attempt = [this, id, lock = parms->lockDevice, call, respond] {
        if (lock && LockedByOther(id))
            return Outcome::WaitsForLock;
        m_lockHolder = lock ? id : m_lockHolder;
        Answer(call, respond, CreateLinkResult(kVxiNoError, id, m_abortPort));
        return Outcome::Answered;
    };
    waiting->fail = [this, id, call, respond](qint32 error) {
        if (Find(id))
            Destroy(id, QStringLiteral("refused: the device is locked"));
        Answer(call, respond, CreateLinkResult(error, 0, 0));
    };
    Start(std::move(waiting));
}

void CVxi11Core::DestroyLink(const RpcCall& call, const RpcRespond& respond)
{
    const std::optional<LinkParms> parms = DecodeLink(call.arguments);
    if (!parms)
        return Answer(call, respond, std::nullopt);
    if (!Find(parms->link))
        return Answer(call, respond, ErrorResult(kVxiInvalidLink));
    Destroy(parms->link, QStringLiteral("closed"));
    Answer(call, respond, ErrorResult(kVxiNoError));
}

void CVxi11Core::Write(const RpcCall& call, const RpcRespond& respond)
{
    const std::optional<WriteParms> parms = DecodeWrite(call.arguments);
    if (!parms)
        return Answer(call, respond, std::nullopt);
    if (!Find(parms->link))
        return Answer(call, respond, WriteResult(kVxiInvalidLink, 0));
    auto waiting = NewWaiting(*parms, parms->ioTimeout);
    waiting->attempt = [this, parms = *parms, call, respond] {
        Link& link = *Find(parms.link);
        if (LockedByOther(parms.link))
            return Outcome::WaitsForLock;
        if (Backlog(link) >= kMaxPendingLines)
            return Outcome::WaitsForIo;
        Take(parms.link, link, parms.data, (parms.flags & kEnd) != 0);
        Answer(call, respond, WriteResult(kVxiNoError, quint32(parms.data.size())));
        return Outcome::Answered;
    };
    waiting->fail = [call, respond](qint32 error) { Answer(call, respond, WriteResult(error, 0)); };
    Start(std::move(waiting));
}

void CVxi11Core::Read(const RpcCall& call, const RpcRespond& respond)
{
    const std::optional<ReadParms> parms = DecodeRead(call.arguments);
    if (!parms)
        return Answer(call, respond, std::nullopt);
    if (!Find(parms->link))
        return Answer(call, respond, ReadResult(kVxiInvalidLink, 0, {}));
    auto waiting = NewWaiting(*parms, parms->ioTimeout);
    waiting->attempt = [this, parms = *parms, call, respond] {
        Link& link = *Find(parms.link);
        if (LockedByOther(parms.link))
            return Outcome::WaitsForLock;
        if (link.answers.empty())
            return Outcome::WaitsForIo;
        Answer(call, respond, TakeAnswer(link, parms));
        return Outcome::Answered;
    };
    waiting->fail = [call, respond](qint32 error) { Answer(call, respond, ReadResult(error, 0, {})); };
    Start(std::move(waiting));
}

void CVxi11Core::ReadStatusByte(const RpcCall& call, const RpcRespond& respond)
{
    const std::optional<LinkParms> parms = DecodeGeneric(call.arguments);
    if (!parms)
        return Answer(call, respond, std::nullopt);
    if (!Find(parms->link))
        return Answer(call, respond, ReadStbResult(kVxiInvalidLink, 0));
    auto waiting = NewWaiting(*parms, parms->ioTimeout);
    waiting->attempt = [this, id = parms->link, call, respond] {
        const Link& link = *Find(id);
        if (LockedByOther(id))
            return Outcome::WaitsForLock;
        Answer(call, respond, ReadStbResult(kVxiNoError, m_runner.StatusByte(link.client, !link.answers.empty())));
        return Outcome::Answered;
    };
    waiting->fail = [call, respond](qint32 error) { Answer(call, respond, ReadStbResult(error, 0)); };
    Start(std::move(waiting));
}

// Both ways: the lines the link has waiting, and the answers it holds or has coming.
void CVxi11Core::Clear(const RpcCall& call, const RpcRespond& respond)
{
    const std::optional<LinkParms> parms = DecodeGeneric(call.arguments);
    if (!parms)
        return Answer(call, respond, std::nullopt);
    if (!Find(parms->link))
        return Answer(call, respond, ErrorResult(kVxiInvalidLink));
    auto waiting = NewWaiting(*parms, parms->ioTimeout);
    waiting->attempt = [this, id = parms->link, call, respond] {
        Link& link = *Find(id);
        if (LockedByOther(id))
            return Outcome::WaitsForLock;
        m_runner.Drop(link.client);
        link.answers.clear();
        link.message.clear();
        link.tooLong = false;
        ++link.generation;
        HeldChanged(link);
        Answer(call, respond, ErrorResult(kVxiNoError));
        return Outcome::Answered;
    };
    waiting->fail = [call, respond](qint32 error) { Answer(call, respond, ErrorResult(error)); };
    Start(std::move(waiting));
}

void CVxi11Core::Lock(const RpcCall& call, const RpcRespond& respond)
{
    const std::optional<LinkParms> parms = DecodeLock(call.arguments);
    if (!parms)
        return Answer(call, respond, std::nullopt);
    if (!Find(parms->link))
        return Answer(call, respond, ErrorResult(kVxiInvalidLink));
    auto waiting = NewWaiting(*parms, 0);
    waiting->attempt = [this, id = parms->link, call, respond] {
        if (LockedByOther(id))
            return Outcome::WaitsForLock;
        m_lockHolder = id;
        Answer(call, respond, ErrorResult(kVxiNoError));
        return Outcome::Answered;
    };
    waiting->fail = [call, respond](qint32 error) { Answer(call, respond, ErrorResult(error)); };
    Start(std::move(waiting));
}

void CVxi11Core::Unlock(const RpcCall& call, const RpcRespond& respond)
{
    const std::optional<LinkParms> parms = DecodeLink(call.arguments);
    if (!parms)
        return Answer(call, respond, std::nullopt);
    if (!Find(parms->link))
        return Answer(call, respond, ErrorResult(kVxiInvalidLink));
    if (m_lockHolder != parms->link)
        return Answer(call, respond, ErrorResult(kVxiNoLockHeld));
    m_lockHolder = 0;
    Answer(call, respond, ErrorResult(kVxiNoError));
}

// On the abort channel: the link's calls that wait end with the abort's error.
void CVxi11Core::Abort(const RpcCall& call, const RpcRespond& respond)
{
    const std::optional<LinkParms> parms = DecodeLink(call.arguments);
    if (!parms)
        return Answer(call, respond, std::nullopt);
    if (!Find(parms->link))
        return Answer(call, respond, ErrorResult(kVxiInvalidLink));
    FailWaiting(parms->link, kVxiAbort);
    Answer(call, respond, ErrorResult(kVxiNoError));
}

void CVxi11Core::Start(std::unique_ptr<Waiting> waiting)
{
    const quint64 key = m_nextWaiting++;
    waiting->deadline.setSingleShot(true);
    // Queued: the call, and its timer with it, go once the timer's signal is over.
    connect(&waiting->deadline, &QTimer::timeout, this, [this, key] { Expire(key); }, Qt::QueuedConnection);
    m_waiting[key] = std::move(waiting);
    Step(key);
}

// A call that must wait for the lock without the waitlock flag is refused at once; one that
// waits has its deadline from when it began to wait for what it waits for.
bool CVxi11Core::Step(quint64 key)
{
    const auto found = m_waiting.find(key);
    if (found == m_waiting.end())
        return false;
    Waiting& waiting = *found->second;
    const Outcome outcome = waiting.attempt();
    if (outcome == Outcome::Answered) {
        m_waiting.erase(key);
        return true;
    }
    if (outcome == Outcome::WaitsForLock && (waiting.flags & kWaitLock) == 0) {
        const std::unique_ptr<Waiting> refused = std::move(found->second);
        m_waiting.erase(key);
        refused->fail(kVxiDeviceLocked);
        return true;
    }
    if (std::exchange(waiting.state, outcome) != outcome)
        waiting.deadline.start(Milliseconds(outcome == Outcome::WaitsForLock ? waiting.lockTimeout : waiting.ioTimeout));
    return false;
}

// Until no waiting call goes on: one answered may let another go on (a read makes room
// for a write).
void CVxi11Core::RetryWaiting()
{
    if (std::exchange(m_retrying, true))
        return;
    const auto done = qScopeGuard([this] { m_retrying = false; });
    for (bool progress = true; progress;) {
        progress = false;
        std::vector<quint64> keys;
        for (const auto& entry : m_waiting)
            keys.push_back(entry.first);
        for (const quint64 key : keys)
            progress |= Step(key);
    }
}

void CVxi11Core::Expire(quint64 key)
{
    const auto found = m_waiting.find(key);
    if (found == m_waiting.end())
        return;
    const std::unique_ptr<Waiting> expired = std::move(found->second);
    m_waiting.erase(found);
    expired->fail(expired->state == Outcome::WaitsForLock ? kVxiDeviceLocked : kVxiIoTimeout);
    RetryWaiting();
}

void CVxi11Core::FailWaiting(qint32 link, qint32 error)
{
    std::vector<std::unique_ptr<Waiting>> failed;
    for (auto entry = m_waiting.begin(); entry != m_waiting.end();) {
        if (entry->second->link == link) {
            failed.push_back(std::move(entry->second));
            entry = m_waiting.erase(entry);
        } else {
            ++entry;
        }
    }
    for (const std::unique_ptr<Waiting>& waiting : failed)
        waiting->fail(error);
}

CVxi11Core::Link* CVxi11Core::Find(qint32 id)
{
    const auto found = m_links.find(id);
    return found == m_links.end() ? nullptr : &found->second;
}

int CVxi11Core::Backlog(const Link& link) const
{
    return m_runner.Waiting(link.client) + int(link.answers.size());
}

void CVxi11Core::Take(qint32 id, Link& link, const QByteArray& data, bool end)
{
    if (!link.tooLong) {
        link.message += data;
        if (link.message.size() > CLineAssembler::kMaxLine + 2) {  // a line of the limit and its CR LF
            link.tooLong = true;
            link.message.clear();
        }
    }
    if (!end)
        return;
    const auto answered = [this, id, generation = link.generation](const std::optional<QByteArray>& answer) { Answered(id, generation, answer); };
    if (std::exchange(link.tooLong, false)) {
        m_runner.Run(link.client, {}, true, answered);
        return;
    }
    const QByteArray message = std::exchange(link.message, {});
    for (const CLineAssembler::Line& line : CLineAssembler().Take(message.endsWith('\n') ? message : message + '\n'))
        m_runner.Run(link.client, line.text, line.tooLong, answered);
}

void CVxi11Core::Answered(qint32 id, int generation, const std::optional<QByteArray>& answer)
{
    Link* link = Find(id);
    if (!link || link->generation != generation)
        return;  // gone, or cleared since
    if (answer) {
        link->answers.push_back(*answer + '\n');
        HeldChanged(*link);
    }
    RetryWaiting();
}

// Up to requestSize bytes of the first answer, up to its termChar where one is set; END
// with its last byte.
QByteArray CVxi11Core::TakeAnswer(Link& link, const ReadParms& parms)
{
    QByteArray& answer = link.answers.front();
    qsizetype size = std::min<qsizetype>(answer.size(), parms.requestSize);
    qint32 reason = 0;
    const qsizetype termChar = (parms.flags & kTermCharSet) != 0 ? answer.indexOf(parms.termChar) : -1;
    if (termChar >= 0 && termChar < size) {
        size = termChar + 1;
        reason |= kReasonTermChar;
    }
    reason |= size == qsizetype(parms.requestSize) ? kReasonRequestCount : 0;
    reason |= size == answer.size() ? kReasonEnd : 0;
    const QByteArray data = answer.left(size);
    answer.remove(0, size);
    if (answer.isEmpty())
        link.answers.pop_front();
    HeldChanged(link);
    return ReadResult(kVxiNoError, reason, data);
}

void CVxi11Core::HeldChanged(const Link& link)
{
    m_runner.SetAnswerHeld(link.client, !link.answers.empty());
}

void CVxi11Core::Destroy(qint32 id, const QString& why)
{
    const auto found = m_links.find(id);
    if (found == m_links.end())
        return;
    const Link link = std::move(found->second);
    m_links.erase(found);
    m_runner.Close(link.client);
    m_lockHolder = m_lockHolder == id ? 0 : m_lockHolder;
    m_log(QStringLiteral("VXI-11 link %1 of %2 %3").arg(id).arg(link.peer, why));
    FailWaiting(id, kVxiInvalidLink);
}

}  // namespace scpi
