// libFuzzer: lines of ldx7320-cli's `-` mode, read as commands and run on a simulated board,
// each answered in words and in JSON. Whatever comes, nothing may crash, and a command that
// was refused sends nothing.
#include "Commands.h"
#include "CliCommandLine.h"
#include "Output.h"
#include "SimulatedBoard.h"

#include <cstdint>
#include <cstdlib>

namespace {

class CQuietHost : public board::IBoardHost {
public:
    void WriteDiagnostic(const QString&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    board::CSimulatedPortProvider ports;
    const std::shared_ptr<board::CSimulatedBoard> simulated = ports.Attach("SIM");
    CQuietHost host;
    board::CBoardLink link(ports, host);
    link.FindBoardPort({"SIM"});
    cli::RunState state;
    const QString input = QString::fromLocal8Bit(reinterpret_cast<const char*>(data), qsizetype(size));
    int number = 0;
    for (const QString& line : input.split(QLatin1Char('\n'))) {
        const cli::Command command = cli::ReadCommand(cli::SplitLine(line), ++number);
        const qsizetype sent = simulated->Received().size();
        // `ports` would list the machine's own ports: it is read, not run.
        const bool runs = command.error.isEmpty() && command.kind->needsBoard;
        const cli::CommandResult result = runs ? cli::RunCommand(link, state, command) : cli::Refusal(command);
        cli::TextAnswer(result, cli::Numbering::Lines);
        cli::JsonAnswer(result);
        if (!command.error.isEmpty() && simulated->Received().size() != sent)
            std::abort();
    }
    return 0;
}
