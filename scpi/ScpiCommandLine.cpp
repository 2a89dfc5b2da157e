#include "ScpiCommandLine.h"

#include "Version.h"

#include <QCommandLineParser>

namespace scpi {

namespace {

ScpiOptions Usage(const QString& error)
{
    ScpiOptions options;
    options.action = ScpiOptions::Action::Usage;
    options.error = error;
    return options;
}

}  // namespace

ScpiOptions ParseScpiCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    board::AddBoardOptions(parser);
    const QCommandLineOption listen(QStringLiteral("listen"), QStringLiteral("where to listen"), QStringLiteral("[HOST:]PORT"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("show the help"));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("show the version"));
    parser.addOptions({listen, help, version});
    const QStringList ours = board::WithoutQtOptions(arguments);
    if (!parser.parse(ours))
        return Usage(board::ParseError(parser, ours));
    ScpiOptions options;
    if (parser.isSet(help)) {
        options.action = ScpiOptions::Action::Help;
        return options;
    }
    if (parser.isSet(version)) {
        options.action = ScpiOptions::Action::Version;
        return options;
    }
    if (!parser.positionalArguments().isEmpty())
        return Usage(QStringLiteral("unknown option '%1'").arg(parser.positionalArguments().front()));
    const board::BoardOptionsRead read = board::ReadBoardOptions(parser);
    if (!read.error.isEmpty())
        return Usage(read.error);
    options.board = read.options;
    if (parser.isSet(listen))
        options.listen = parser.value(listen);
    if (options.listen.isEmpty())
        return Usage(QStringLiteral("--listen needs [HOST:]PORT"));
    return options;
}

QString UsageText()
{
    return QStringLiteral("usage: ldx7320-scpi [--port DEVICE]... [--simulate] [--trace] [--listen [HOST:]PORT] [--help] [--version]");
}

QString HelpText()
{
    return UsageText() + QStringLiteral(
        "\n\n"
        "Serves the LDX7320 LED driver board as a SCPI instrument over TCP, for PyVISA,\n"
        "LabVIEW, MATLAB and other lab scripts (a raw socket, lines ending with LF).\n\n"
        "  --port DEVICE          look for the board on DEVICE instead of the default ports;\n"
        "                         may be given several times, tried in the order given\n"
        "  --simulate             serve the built-in simulated board, no hardware needed\n"
        "  --trace                write every byte exchanged with the board to standard error\n"
        "  --listen [HOST:]PORT   where to listen; default 127.0.0.1:5025, the loopback only.\n"
        "                         SCPI has no authentication: 0.0.0.0:5025 lets anyone on\n"
        "                         the network drive the board\n"
        "  --help                 show this help and exit\n"
        "  --version              show the version and exit\n\n"
        "It starts without a board and looks for it before each command that needs it, so\n"
        "a board that is unplugged or switched off and back on is taken again. SIGINT,\n"
        "SIGTERM and SIGHUP (Ctrl+C on Windows) end it, the port closed.\n\n"
        "Commands: *IDN? *RST *CLS *ESR? *OPC *OPC? *WAI SYSTem:ERRor[:NEXT]? SYSTem:VERSion?\n"
        "  OUTPut[:STATe] ON|OFF|1|0, OUTPut[:STATe]?\n"
        "  LED[:STATe] A1,B2,...|NONE, LED[:STATe]?\n"
        "  CURRent:A|B|C[:LEVel] <amperes>|<n>MA|MINimum|MAXimum, CURRent:A|B|C[:LEVel]?\n"
        "  CURRent:A|B|C:CODE 0..63, CURRent:A|B|C:CODE?\n"
        "  REGister:S|A|B|C?");
}

QString VersionText()
{
    return QStringLiteral("ldx7320-scpi ") + QString::fromLatin1(LDX_VERSION);
}

}  // namespace scpi
