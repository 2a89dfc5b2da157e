#include "ScpiCommandLine.h"

#include "ProgramOptions.h"
#include "Version.h"

namespace scpi {

namespace {

const QString kListen = QStringLiteral("listen");

// The board's options and the server's own.
board::CProgramOptions Options()
{
    return board::CProgramOptions({{{kListen, QStringLiteral("where to listen; 127.0.0.1:5025 by default, this computer alone"),
                                     QStringLiteral("[HOST:]PORT")},
                                    QStringLiteral("[HOST:]PORT")}});
}

QString UsageText()
{
    return QStringLiteral("usage: ldx7320-scpi [--port DEVICE]... [--simulate [--paced]] [--trace] [--listen [HOST:]PORT] [--help] [--version]");
}

QString HelpText()
{
    return Options().HelpText(UsageText(), QStringLiteral(
        "Serves the LDX7320 LED driver board as a SCPI instrument over TCP, for PyVISA,\n"
        "LabVIEW, MATLAB and other lab scripts (a raw socket, lines ending with LF)."), QStringLiteral(
        "SCPI has no authentication: --listen 0.0.0.0:5025 lets anyone on the network drive\n"
        "the board; open it only on a lab network you trust.\n\n"
        "It starts without a board and looks for it before each command that needs it, so\n"
        "a board that is unplugged or switched off and back on is taken again. SIGINT,\n"
        "SIGTERM and SIGHUP (Ctrl+C on Windows) end it, the port closed.\n\n"
        "Commands: *IDN? *RST *CLS *ESR? *OPC *OPC? *WAI SYSTem:ERRor[:NEXT]? SYSTem:VERSion?\n"
        "  OUTPut[:STATe] ON|OFF|1|0, OUTPut[:STATe]?\n"
        "  LED[:STATe] A1,B2,...|NONE, LED[:STATe]?\n"
        "  CURRent:A|B|C[:LEVel] <amperes>|<n>MA|MINimum|MAXimum, CURRent:A|B|C[:LEVel]?\n"
        "  CURRent:A|B|C:CODE 0..63, CURRent:A|B|C:CODE?\n"
        "  REGister:S|A|B|C?"));
}

}  // namespace

ScpiOptions ParseScpiCommandLine(const QStringList& arguments)
{
    board::CProgramOptions parser = Options();
    ScpiOptions options{parser.Read(arguments)};
    if (parser.IsSet(kListen))
        options.listen = parser.Value(kListen);
    return options;
}

board::ProgramTexts Texts()
{
    return {QStringLiteral("ldx7320-scpi"), UsageText(), HelpText(), QStringLiteral("ldx7320-scpi ") + QString::fromLatin1(LDX_VERSION)};
}

}  // namespace scpi
