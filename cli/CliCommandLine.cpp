#include "CliCommandLine.h"

#include "Version.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace cli {

namespace {

// The words after the options, cut into commands at ';'. A ';' ending a word ends its
// command too, so that `on; set A 5` works as typed; empty commands are skipped.
QList<QStringList> SplitCommands(const QStringList& words)
{
    QList<QStringList> commands{{}};
    for (QString word : words) {
        bool ends = false;
        while (word.endsWith(QLatin1Char(';'))) {
            word.chop(1);
            ends = true;
        }
        if (!word.isEmpty())
            commands.last() << word;
        if (ends && !commands.last().isEmpty())
            commands << QStringList();
    }
    if (commands.last().isEmpty())
        commands.removeLast();
    return commands;
}

CliOptions Usage(CliOptions options, const QString& error)
{
    options.action = CliOptions::Action::Usage;
    options.error = error;
    return options;
}

}  // namespace

CliOptions ParseCliCommandLine(const QStringList& arguments)
{
    CliOptions options;
    QCommandLineParser parser;
    // The options end where the first command begins: its arguments are its own.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    board::AddBoardOptions(parser);
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("answer in JSON"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("show the help"));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("show the version"));
    parser.addOptions({json, help, version});
    const QStringList ours = board::WithoutQtOptions(arguments);
    if (!parser.parse(ours))
        return Usage(options, board::ParseError(parser, ours));
    if (parser.isSet(help)) {
        options.action = CliOptions::Action::Help;
        return options;
    }
    if (parser.isSet(version)) {
        options.action = CliOptions::Action::Version;
        return options;
    }
    const board::BoardOptionsRead read = board::ReadBoardOptions(parser);
    options.board = read.options;
    options.json = parser.isSet(json);
    if (!read.error.isEmpty())
        return Usage(options, read.error);
    const QStringList words = parser.positionalArguments();
    if (words.isEmpty())
        return Usage(options, QStringLiteral("no command given"));
    if (words == QStringList{QStringLiteral("-")}) {
        options.action = CliOptions::Action::RunStdin;
        return options;
    }
    const QList<QStringList> commands = SplitCommands(words);
    for (int number = 1; number <= commands.size(); ++number) {
        Command command = ReadCommand(commands.at(number - 1), number);
        if (command.text == QLatin1String("-"))
            command.error = QStringLiteral("'-' reads the commands from standard input and comes alone");
        if (!command.error.isEmpty())
            options.action = CliOptions::Action::Usage;
        options.commands << command;
    }
    if (options.commands.isEmpty())
        return Usage(options, QStringLiteral("no command given"));
    return options;
}

QStringList SplitLine(const QString& line)
{
    static const QRegularExpression space(QStringLiteral("\\s+"));
    return line.split(space, Qt::SkipEmptyParts);
}

QString UsageText()
{
    return QStringLiteral(
        "usage: ldx7320-cli [--port DEVICE]... [--simulate] [--trace] [--json] COMMAND [ARGS] [; COMMAND ...]\n"
        "       ldx7320-cli [--port DEVICE]... [--simulate] [--trace] [--json] -");
}

QString HelpText()
{
    return UsageText() + QStringLiteral(
        "\n\n"
        "Runs commands on the LDX7320 LED driver board, in order, on one open port.\n\n"
        "Commands (names and arguments in any case):\n")
        + CommandHelp() + QStringLiteral(
        "\n\n"
        "Separate commands with a ';' word, or end a word with ';' (on; off). A shell that\n"
        "takes ';' itself needs it quoted: ';' in sh, bash and PowerShell; cmd.exe takes it as it is.\n"
        "With '-' the commands come from standard input, one a line, each answered at once;\n"
        "an empty line or the end of input ends the run.\n\n"
        "  --port DEVICE    look for the board on DEVICE instead of the default ports;\n"
        "                   may be given several times, tried in the order given\n"
        "  --simulate       run against the built-in simulated board, no hardware needed\n"
        "  --trace          write every byte exchanged with the board to standard error\n"
        "  --json           answer each command with one JSON object a line\n"
        "  --help           show this help and exit\n"
        "  --version        show the version and exit\n\n"
        "Exit codes: 0 every command done; 1 no board found, a command failed on the board,\n"
        "or the run was ended by a signal; 2 a usage error or a refused command.");
}

QString VersionText()
{
    return QStringLiteral("ldx7320-cli ") + QString::fromLatin1(LDX_VERSION);
}

}  // namespace cli
