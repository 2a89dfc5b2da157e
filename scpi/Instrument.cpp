#include "Instrument.h"

#include "BoardCommands.h"
#include "ScpiCommands.h"
#include "ScpiParser.h"

#include <variant>

namespace scpi {

namespace {

// The command a unit names: its header looked up from the current path first (SCPI's
// compound rule: "CURR:A 0.01;B 0.02" sets B), then from the root.
const ScpiCommand* FindCommand(const MessageUnit& unit, const QStringList& path, QStringList* fullHeader, int* choice)
{
    QList<QStringList> headers;
    if (!unit.absolute && !unit.nodes.front().startsWith(QLatin1Char('*')) && !path.isEmpty())
        headers << path + unit.nodes;
    headers << unit.nodes;
    for (const QStringList& nodes : headers) {
        for (const ScpiCommand& command : ScpiCommandTable()) {
            if (command.query == unit.query && CHeaderPattern(QString::fromLatin1(command.header)).Match(nodes, choice)) {
                *fullHeader = nodes;
                return &command;
            }
        }
    }
    return nullptr;
}

}  // namespace

CInstrument::CInstrument(board::CPortProvider& ports, const QStringList& candidates, bool trace,
                         std::function<void(const QString&)> log)
    : m_ports(ports), m_candidates(candidates), m_log(std::move(log)), m_link(ports, *this)
{
    m_link.SetTrace(trace);
}

void CInstrument::Attach(Session& session)
{
    session.questionable.condition = m_questionable;
    session.Publish();
    m_sessions << &session;
}

void CInstrument::Detach(Session& session)
{
    m_sessions.removeAll(&session);
}

void CInstrument::SetQuestionable(int condition)
{
    m_questionable = condition;
    for (Session* session : m_sessions) {
        session->questionable.SetCondition(condition);
        session->Publish();
    }
}

std::optional<QByteArray> CInstrument::RunLine(Session& session, const QByteArray& line)
{
    const ReadLine read = ReadProgramMessage(line);
    QStringList answers;
    QStringList path;
    bool stopped = false;  // a unit with an error ends the line
    for (const MessageUnit& unit : read.units) {
        QStringList header;
        int choice = 0;
        const ScpiCommand* command = FindCommand(unit, path, &header, &choice);
        if (!command) {
            session.errors.Add({kUndefinedHeader, unit.nodes.join(QLatin1Char(':')) + (unit.query ? QStringLiteral("?") : QString())});
            stopped = true;
            break;
        }
        if (!header.front().startsWith(QLatin1Char('*')))
            path = header.mid(0, header.size() - 1);
        const std::variant<int, Error> value = ReadParameter(command->parameter, unit.parameters);
        if (const Error* error = std::get_if<Error>(&value)) {
            session.errors.Add(*error);  // nothing of it is sent
            stopped = true;
            break;
        }
        Call call{*this, session, choice, std::get<int>(value), !answers.isEmpty(), {}};
        const bool boardThere = !command->needsBoard || LookForBoard();
        if (!boardThere)
            session.errors.Add({kHardwareError, QStringLiteral("no board")});
        const bool done = boardThere && command->run(call);
        if (command->query)
            answers << (done ? call.answer : QString::fromLatin1(command->answerWhenTheBoardFails));
    }
    if (read.error && !stopped)
        session.errors.Add(*read.error);
    session.Publish();
    if (answers.isEmpty())
        return std::nullopt;
    return answers.join(QLatin1Char(';')).toLatin1();
}

bool CInstrument::LookForBoard()
{
    if (m_link.IsPortOpen())
        return true;
    const board::BoardResult search = m_link.FindBoardPort(m_candidates);
    SetQuestionable(search.Done() ? 0 : kNoBoard);
    if (search.Done()) {
        m_boardPort = m_ports.DescribePort(search.port);
        m_log(QStringLiteral("board found on %1").arg(m_boardPort));
        m_saidNoBoard = false;
    } else if (!m_saidNoBoard) {
        m_log(search.words);
        m_saidNoBoard = true;
    }
    return search.Done();
}

QString CInstrument::PortName() const
{
    return m_link.IsPortOpen() ? m_link.OpenPortName() : QString();
}

// The board must acknowledge the output switch; the state is what was last switched.
bool CInstrument::SwitchOutput(bool on, Session& session)
{
    if (!Took(m_link.SwitchOutput(on), session))
        return false;
    m_outputOn = on;
    return true;
}

bool CInstrument::WriteRegister(int index, int value, Session& session)
{
    return Took(m_link.WriteRegister(index, value), session);
}

// A read that gets no answer is a board that stopped answering, not a register at 0.
std::optional<quint8> CInstrument::ReadRegister(int index, Session& session)
{
    const board::BoardResult read = m_link.ReadRegister(index);
    return Took(read, session) ? read.value : std::nullopt;
}

// The panel's bytes, the rule for an unanswered read of REGISTER_S included.
bool CInstrument::WriteCurrent(int index, int code, Session& session)
{
    return Took(m_link.WriteCurrent(index, code), session);
}

bool CInstrument::Took(const board::BoardResult& result, Session& session)
{
    if (!result.Done())
        Lost(result.words, session);
    return result.Done();
}

bool CInstrument::SelfTest(Session& session)
{
    if (!LookForBoard()) {
        session.errors.Add({kSelfTestFailed, QStringLiteral("no board")});
        return false;
    }
    board::BoardResult result = m_link.CheckAck(m_link.ExchangeByte(board::CMD_PROBE), board::CMD_PROBE);
    if (result.Done())
        result = m_link.ReadRegister(board::REGISTER_S);
    if (!result.Done())
        Lost(result.words, session, kSelfTestFailed);
    return result.Done();
}

void CInstrument::Lost(const QString& why, Session& session, int error)
{
    session.errors.Add({error, why});
    SetQuestionable(kNoBoard);
    m_link.ClosePort();
    m_outputOn.reset();  // a board that comes back may have been switched off meanwhile
    if (!m_boardPort.isEmpty())
        m_log(QStringLiteral("board lost on %1: %2").arg(std::exchange(m_boardPort, {}), why));
}

void CInstrument::WriteDiagnostic(const QString& line)
{
    m_log(line);
}

}  // namespace scpi
