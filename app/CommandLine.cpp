#include "CommandLine.h"

#include "ProgramOptions.h"
#include "Version.h"

namespace app {

namespace {

CommandLine Usage(const QString& error)
{
    CommandLine line;
    line.action = CommandLine::Action::Usage;
    line.error = error;
    return line;
}

const QString kListPorts = QStringLiteral("list-ports");

// The board's options and the panel's own.
board::CProgramOptions Options()
{
    return board::CProgramOptions({{{kListPorts, QStringLiteral("list the serial ports of this machine and exit")}}});
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments)
{
    board::CProgramOptions options = Options();
    CommandLine line;
    switch (options.Parse(arguments)) {
    case board::ProgramRead::Help:
        line.action = CommandLine::Action::Help;
        return line;
    case board::ProgramRead::Version:
        line.action = CommandLine::Action::Version;
        return line;
    case board::ProgramRead::Usage:
        return Usage(options.Error());
    case board::ProgramRead::Run:
        break;
    }
    if (options.IsSet(kListPorts))
        line.action = CommandLine::Action::ListPorts;
    line.board = options.Board();
    return line;
}

QString UsageText()
{
    return QStringLiteral("usage: ldx7320 [--simulate [--paced]] [--port DEVICE]... [--trace] [--list-ports] [--help] [--version]");
}

QString HelpText()
{
    return Options().HelpText(UsageText(), QStringLiteral("Control panel for the LDX7320 six-channel LED driver."), QStringLiteral(
        "By default the board is looked for on COM4, COM3, COM2 and COM1, in that order, then on\n"
        "the USB serial adapters present at start-up. On Windows these are the system's COM\n"
        "ports, the adapters the other COM ports in number order (Bluetooth links left out).\n"
        "Elsewhere COM1..COM4 stand for /dev/ttyS0../dev/ttyS3, and the adapters are\n"
        "/dev/ttyUSB*, /dev/ttyACM* on Linux and /dev/cu.usbserial*, /dev/cu.usbmodem* on macOS.\n\n"
        "Qt's own options, such as -style fusion, are taken too."));
}

QString VersionText()
{
    return QStringLiteral("LDX7320 ") + QString::fromLatin1(LDX_VERSION);
}

}  // namespace app
