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
        Call call{*this, session, choice, std::get<int>(value), {}};
        bool done = true;
        if (command->needsBoard && !LookForBoard()) {
            session.errors.Add({kHardwareError, QStringLiteral("no board")});
            done = false;
        } else {
            done = command->run(call);
        }
        if (command->query)
            answers << (done ? call.answer : QString::fromLatin1(command->answerWhenTheBoardFails));
    }
    if (read.error && !stopped)
        session.errors.Add(*read.error);
    if (answers.isEmpty())
        return std::nullopt;
    return answers.join(QLatin1Char(';')).toLatin1();
}

bool CInstrument::LookForBoard()
{
    if (m_link.IsPortOpen())
        return true;
    const board::PortSearch search = m_link.FindBoardPort(m_candidates);
    if (search.Found()) {
        m_boardPort = m_ports.DescribePort(search.port);
        m_log(QStringLiteral("board found on %1").arg(m_boardPort));
        m_saidNoBoard = false;
    } else if (!m_saidNoBoard) {
        m_log(QStringLiteral("no board found: %1").arg(search.reasons.join(QLatin1String("; "))));
        m_saidNoBoard = true;
    }
    return search.Found();
}

QString CInstrument::PortName() const
{
    return m_link.IsPortOpen() ? m_link.OpenPortName() : QString();
}

// The board must acknowledge the output switch; the state is what was last switched.
bool CInstrument::SwitchOutput(bool on, Session& session)
{
    const board::Exchange exchange = m_link.ExchangeByte(on ? board::CMD_OUTPUT_ON : board::CMD_OUTPUT_OFF);
    if (exchange.PortLost()) {
        Lost(board::DescribeLostPort(), session);
        return false;
    }
    if (exchange.reply != board::ACK) {
        Lost(exchange.reply ? QStringLiteral("no acknowledgement: answered %1").arg(board::Hex(*exchange.reply))
                            : QStringLiteral("no answer"),
             session);
        return false;
    }
    m_outputOn = on;
    return true;
}

bool CInstrument::WriteRegister(int index, int value, Session& session)
{
    const board::WriteOutcome written = m_link.WriteRegister(index, value);
    if (written == board::WriteOutcome::Acknowledged)
        return true;
    Lost(written == board::WriteOutcome::PortLost ? board::DescribeLostPort() : QStringLiteral("no acknowledgement"), session);
    return false;
}

// A read that gets no answer is a board that stopped answering, not a register at 0.
std::optional<quint8> CInstrument::ReadRegister(int index, Session& session)
{
    const board::Exchange read = m_link.ReadRegister(index);
    if (read.Completed() && read.reply)
        return read.reply;
    Lost(read.PortLost() ? board::DescribeLostPort() : QStringLiteral("no answer"), session);
    return std::nullopt;
}

// The panel's bytes, the rule for an unanswered read of REGISTER_S included.
bool CInstrument::WriteCurrent(int index, int code, Session& session)
{
    const board::CurrentWrite write = m_link.WriteCurrent(index, code);
    if (write.Done())
        return true;
    if (write.code != board::WriteOutcome::Acknowledged || (write.writeBack && *write.writeBack != board::WriteOutcome::Acknowledged))
        Lost(write.code == board::WriteOutcome::PortLost || write.writeBack == board::WriteOutcome::PortLost
                 ? board::DescribeLostPort() : QStringLiteral("no acknowledgement"),
             session);
    else
        Lost(write.readOfS.PortLost() ? board::DescribeLostPort()
                                      : QStringLiteral("no answer to the read of REGISTER_S; the current was written, REGISTER_S not written back"),
             session);
    return false;
}

void CInstrument::Lost(const QString& why, Session& session)
{
    session.errors.Add({kHardwareError, why});
    m_link.ClosePort();
    m_outputOn.reset();  // a board that comes back may have been switched off meanwhile
    if (!m_boardPort.isEmpty())
        m_log(QStringLiteral("board lost on %1: %2").arg(std::exchange(m_boardPort, {}), why));
}

void CInstrument::ShowBoardMessage(const QString&) {}

void CInstrument::WriteDiagnostic(const QString& line)
{
    m_log(line);
}

}  // namespace scpi
