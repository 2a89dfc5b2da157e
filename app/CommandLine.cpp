#include "CommandLine.h"

#include "Version.h"

#include <QCommandLineParser>

namespace app {

namespace {

CommandLine Usage(const QString& error)
{
    CommandLine line;
    line.action = CommandLine::Action::Usage;
    line.error = error;
    return line;
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments)
{
    const QStringList ours = board::WithoutQtOptions(arguments);
    QCommandLineParser parser;
    board::AddBoardOptions(parser);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("show the help"));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("show the version"));
    const QCommandLineOption listPorts(QStringLiteral("list-ports"), QStringLiteral("list the serial ports"));
    parser.addOptions({help, version, listPorts});
    if (!parser.parse(ours))
        return Usage(board::ParseError(parser, ours));
    CommandLine line;
    if (parser.isSet(help))
        line.action = CommandLine::Action::Help;
    else if (parser.isSet(version))
        line.action = CommandLine::Action::Version;
    else if (parser.isSet(listPorts))
        line.action = CommandLine::Action::ListPorts;
    if (line.action != CommandLine::Action::Run)
        return line;
    if (!parser.positionalArguments().isEmpty())
        return Usage(QStringLiteral("unknown option '%1'").arg(parser.positionalArguments().front()));
    const board::BoardOptionsRead read = board::ReadBoardOptions(parser);
    line.board = read.options;
    return read.error.isEmpty() ? line : Usage(read.error);
}

QString UsageText()
{
    return QStringLiteral("usage: ldx7320 [--simulate] [--port DEVICE]... [--trace] [--list-ports] [--help] [--version]");
}

QString HelpText()
{
    return UsageText() + QStringLiteral(
        "\n\n"
        "Control panel for the LDX7320 six-channel LED driver.\n\n"
        "  --simulate       run against the built-in simulated board, no hardware needed\n"
        "  --port DEVICE    look for the board on DEVICE only, instead of the default ports;\n"
        "                   may be given several times, tried in the order given\n"
        "  --trace          write every byte exchanged with the board to standard error\n"
        "  --list-ports     list the serial ports of this machine and exit\n"
        "  --help           show this help and exit\n"
        "  --version        show the version and exit\n\n"
        "By default the board is looked for on COM4, COM3, COM2 and COM1, in that order, then on\n"
        "the USB serial adapters present at start-up. On Windows these are the system's COM\n"
        "ports, the adapters the other COM ports in number order (Bluetooth links left out).\n"
        "Elsewhere COM1..COM4 stand for /dev/ttyS0../dev/ttyS3, and the adapters are\n"
        "/dev/ttyUSB*, /dev/ttyACM* on Linux and /dev/cu.usbserial*, /dev/cu.usbmodem* on macOS.\n\n"
        "Qt's own options, such as -style fusion, are taken too.");
}

QString VersionText()
{
    return QStringLiteral("LDX7320 ") + QString::fromLatin1(LDX_VERSION);
}

}  // namespace app
