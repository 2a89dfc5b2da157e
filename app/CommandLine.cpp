#include "CommandLine.h"

#include "ProgramOptions.h"
#include "Version.h"

namespace app {

namespace {

const QString kListPorts = QStringLiteral("list-ports");

// The board's options and the panel's own.
board::CProgramOptions Options()
{
    return board::CProgramOptions({{{kListPorts, QStringLiteral("list the serial ports of this machine and exit")}}});
}

QString UsageText()
{
    return QStringLiteral("usage: ldx7320 [--simulate [--paced]] [--port DEVICE]... [--trace] [--list-ports] [--help] [--version]");
}

QString HelpText()
{
    return Options().HelpText(UsageText(), QStringLiteral(":/help/ldx7320.txt"));
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments)
{
    board::CProgramOptions options = Options();
    CommandLine line{options.Read(arguments)};
    line.listPorts = options.IsSet(kListPorts);
    return line;
}

board::ProgramTexts Texts()
{
    return {QStringLiteral("ldx7320"), UsageText(), HelpText(), QStringLiteral("LDX7320 ") + QString::fromLatin1(LDX_VERSION)};
}

}  // namespace app
