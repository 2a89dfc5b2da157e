#include "CliRun.h"

#include "BoardCommands.h"
#include "CliCommandLine.h"

#include <algorithm>

namespace cli {

CCliRun::CCliRun(board::CPortProvider& ports, const QStringList& candidates, bool trace, COutput& output)
    : m_candidates(candidates), m_output(output), m_link(ports, *this)
{
    m_link.SetTrace(trace);
}

int CCliRun::RunCommands(const QList<Command>& commands)
{
    const bool needsBoard =
        std::any_of(commands.begin(), commands.end(), [](const Command& command) { return command.kind->needsBoard; });
    if (needsBoard && !FindBoard())
        return kExitFailed;
    for (const Command& command : commands) {
        if (Stopped(QStringLiteral("before %1").arg(Where(command, m_numbering))) || !Run(command))
            return kExitFailed;
    }
    return kExitDone;
}

int CCliRun::RunLines(const std::function<std::optional<QString>()>& nextLine)
{
    m_numbering = Numbering::Lines;
    m_output.SetNumbering(m_numbering);
    if (!FindBoard())
        return kExitFailed;
    bool refused = false;
    int number = 0;
    for (std::optional<QString> line = nextLine(); line && !line->trimmed().isEmpty(); line = nextLine()) {
        const Command command = ReadCommand(SplitLine(*line), ++number);
        if (!command.error.isEmpty()) {
            // Nothing of it was sent: the script hears why and may go on.
            refused = true;
            if (!m_output.Answer(Refusal(command)))
                return kExitFailed;
            continue;
        }
        if (Stopped(QStringLiteral("before %1").arg(Where(command, m_numbering))) || !Run(command))
            return kExitFailed;
    }
    if (Stopped(number == 0 ? QStringLiteral("before the first line") : QStringLiteral("after line %1").arg(number)))
        return kExitFailed;
    return refused ? kExitUsage : kExitDone;
}

// With no board: which ports were tried and why none was taken, what to try, and the
// panel's message, once. A signal during the probe is seen before the first command.
bool CCliRun::FindBoard()
{
    const board::BoardResult search = m_link.FindBoardPort(m_candidates);
    if (search.Done())
        return true;
    for (const QString& line : search.report)
        m_output.Diagnostic(line);
    m_output.Note(QString::fromLatin1(board::kComErrorMessage));
    return false;
}

bool CCliRun::Run(const Command& command)
{
    const CommandResult result = RunCommand(m_link, m_state, command);
    if (!m_output.Answer(result))
        return false;  // nobody reads the answers any more
    if (result.done)
        return true;
    m_output.Note(QStringLiteral("%1 failed: %2; the run ends here").arg(Where(command, m_numbering), result.error));
    return false;
}

void CCliRun::WriteDiagnostic(const QString& line)
{
    m_output.Diagnostic(line);
}

bool CCliRun::Stopped(const QString& when)
{
    if (!stopRequested())
        return false;
    m_output.Note(QStringLiteral("ended by a signal %1").arg(when));
    return true;
}

}  // namespace cli
