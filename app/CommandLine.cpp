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
    return Options().HelpText(UsageText(), QStringLiteral("Control panel for the LDX7320 six-channel LED driver."), QStringLiteral(
        "By default the board is looked for on COM4, COM3, COM2 and COM1, in that order, then on\n"
        "the USB serial adapters present at start-up. On Windows these are the system's COM\n"
        "ports, the adapters the other COM ports in number order (Bluetooth links left out).\n"
        "Elsewhere COM1..COM4 stand for /dev/ttyS0../dev/ttyS3, and the adapters are\n"
        "/dev/ttyUSB*, /dev/ttyACM* on Linux and /dev/cu.usbserial*, /dev/cu.usbmodem* on macOS.\n\n"
        "Qt's own options, such as -style fusion, are taken too."));
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
