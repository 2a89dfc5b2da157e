// A run of ldx7320-cli: the board found as the panel finds it, then the commands in order
// on its one open port. Nothing is sent but the probe and the commands.
#pragma once

#include "BoardLink.h"
#include "Commands.h"
#include "Output.h"

#include <functional>
#include <optional>

namespace cli {

inline constexpr int kExitDone = 0;    // every command done
inline constexpr int kExitFailed = 1;  // no board, a command failed on the board, or a signal ended the run
inline constexpr int kExitUsage = 2;   // a usage error, or a line refused in the `-` mode

class CCliRun : private board::IBoardHost {
public:
    CCliRun(board::CPortProvider& ports, const QStringList& candidates, bool trace, COutput& output);

    // Commands from the command line, already checked. The board is looked for only when
    // one of them needs it. The first that fails ends the run.
    int RunCommands(const QList<Command>& commands);
    // The `-` mode: nextLine gives each line of standard input, nothing at its end. A line
    // that is refused is answered and the run goes on; one that fails on the board ends it.
    int RunLines(const std::function<std::optional<QString>()>& nextLine);

    // Asked between commands: whether a signal has asked the run to end.
    std::function<bool()> stopRequested = [] { return false; };

private:
    bool FindBoard();
    // Runs and answers one checked command; false when the run cannot go on.
    bool Run(const Command& command);
    bool Stopped(const QString& when);

    // The link's diagnostics go to standard error.
    void WriteDiagnostic(const QString& line) override;

    QStringList m_candidates;
    COutput& m_output;
    board::CBoardLink m_link;
    RunState m_state;
    Numbering m_numbering = Numbering::Positions;
};

}  // namespace cli
