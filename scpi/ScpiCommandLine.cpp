#include "ScpiCommandLine.h"

#include "ProgramOptions.h"
#include "ScpiCommands.h"
#include "Version.h"

namespace scpi {

namespace {

const QString kListen = QStringLiteral("listen");
const QString kNoVxi11 = QStringLiteral("no-vxi11");

// The board's options and the server's own.
board::CProgramOptions Options()
{
    return board::CProgramOptions({{{kListen, QStringLiteral("where to listen; 127.0.0.1:5025 by default, this computer alone"),
                                     QStringLiteral("[HOST:]PORT")},
                                    QStringLiteral("[HOST:]PORT")},
                                   {{kNoVxi11, QStringLiteral("serve the raw socket alone: no VXI-11, no portmapper")}}});
}

QString UsageText()
{
    return QStringLiteral("usage: ldx7320-scpi [--port DEVICE]... [--simulate [--paced]] [--trace] [--listen [HOST:]PORT] [--no-vxi11] [--help] [--version]");
}

QString HelpText()
{
    return Options().HelpText(UsageText(), QStringLiteral(":/help/ldx7320-scpi.txt"), CommandList());
}

}  // namespace

ScpiOptions ParseScpiCommandLine(const QStringList& arguments)
{
    board::CProgramOptions parser = Options();
    ScpiOptions options{parser.Read(arguments)};
    if (parser.IsSet(kListen))
        options.listen = parser.Value(kListen);
    options.vxi11 = !parser.IsSet(kNoVxi11);
    return options;
}

board::ProgramTexts Texts()
{
    return {QStringLiteral("ldx7320-scpi"), UsageText(), HelpText(), QStringLiteral("ldx7320-scpi ") + QString::fromLatin1(LDX_VERSION)};
}

}  // namespace scpi
