#include "CommandLine.h"

namespace app {

CommandLine ParseCommandLine(const QStringList& arguments)
{
    CommandLine line;
    const auto usage = [&line](const QString& error) {
        line.action = CommandLine::Action::Usage;
        line.error = error;
        return line;
    };
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            line.action = CommandLine::Action::Help;
            return line;
        }
        if (argument == QLatin1String("--version")) {
            line.action = CommandLine::Action::Version;
            return line;
        }
        if (argument == QLatin1String("--list-ports")) {
            line.action = CommandLine::Action::ListPorts;
            return line;
        }
        QString error;
        if (!board::TakeBoardOption(arguments, &i, &line, &error))
            return usage(QStringLiteral("unknown option '%1'").arg(argument));
        if (!error.isEmpty())
            return usage(error);
    }
    const QString conflict = board::BoardOptionsConflict(line);
    return conflict.isEmpty() ? line : usage(conflict);
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
        "By default the board is looked for on COM4, COM3, COM2 and COM1, in that order.\n"
        "On Windows these are the system's COM ports. Elsewhere they stand for\n"
        "/dev/ttyS3../dev/ttyS0, and the USB serial adapters present at start-up follow\n"
        "them in name order (/dev/ttyUSB*, /dev/ttyACM* on Linux; /dev/cu.usbserial*,\n"
        "/dev/cu.usbmodem* on macOS).");
}

QString VersionText()
{
    return QStringLiteral("LDX7320 1.0.0.1");
}

}  // namespace app
