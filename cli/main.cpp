// ldx7320-cli: runs commands on the LDX7320 board from a shell or a script, through the
// same board link as the panel.
#include "ChosenPorts.h"
#include "EndSignals.h"
#include "CliCommandLine.h"
#include "CliRun.h"
#include "InputLines.h"
#include "Output.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

// Each line goes out at once: a script waits for it before it sends the next command.
bool WriteLine(std::FILE* stream, const QByteArray& line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
    return !std::ferror(stream);  // it stays set after any failed write
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const cli::CliOptions options = cli::ParseCliCommandLine(QCoreApplication::arguments());
    cli::COutput output(
        options.json, [](const QByteArray& line) { return WriteLine(stdout, line); },
        [](const QByteArray& line) { return WriteLine(stderr, line); });
    // A refused command is answered where a script reads (standard output, with --json).
    for (const cli::Command& command : options.commands) {
        if (!command.error.isEmpty())
            output.Refused(command);
    }
    if (options.read == board::ProgramRead::Usage && options.error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(cli::Texts().usage));
        return cli::kExitUsage;
    }
    if (const std::optional<int> exitCode = board::AnswerWithoutRunning(options, cli::Texts()))
        return *exitCode;

    // SIGINT, SIGTERM and SIGHUP end the run between two commands, so that the port is
    // closed as at any other end; so does a reader of the answers that goes away.
    board::CatchEndSignals();
    board::CChosenPorts ports(options.board);
    cli::CCliRun run(ports.Provider(), ports.Candidates(), options.board.trace, output);
    run.stopRequested = &board::EndSignalCame;
    if (options.fromStandardInput) {
        cli::CInputLines input(board::EndSignalDescriptor());
        return run.RunLines([&input] { return input.Next(); });
    }
    return run.RunCommands(options.commands);
}
