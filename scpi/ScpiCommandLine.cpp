#include "ScpiCommandLine.h"

#include "ProgramOptions.h"
#include "ScpiCommands.h"
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
    return Options().HelpText(UsageText(), QStringLiteral(":/help/ldx7320-scpi.txt"), CommandList());
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
