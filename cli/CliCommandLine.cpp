#include "CliCommandLine.h"

#include "BoardCommands.h"
#include "CurrentCode.h"

#include <QRegularExpression>
#include <iterator>

namespace cli {

namespace {

// "A", "B", "C", "S" (any case) to REGISTER_A, _B, _C, _S, which are 0 to 3; -1 for
// anything else.
int RegisterOfName(const QString& word)
{
    const QStringList names{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("S")};
    return names.indexOf(word.toUpper());
}

QString LedNameList()
{
    QStringList names;
    for (const char* name : board::kLedNames)
        names << QString::fromLatin1(name);
    return names.join(QLatin1Char(' '));
}

// "none", or LED names joined by commas, to the REGISTER_S bits with exactly those on.
void ParseLeds(const QString& word, int* bits, QString* error)
{
    *bits = 0;
    if (word.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0)
        return;
    for (const QString& name : word.split(QLatin1Char(','))) {
        const int count = int(std::size(board::kLedNames));
        int bit = 0;
        while (bit < count && name.compare(QLatin1String(board::kLedNames[bit]), Qt::CaseInsensitive) != 0)
            ++bit;
        if (bit == count) {
            *error = QStringLiteral("'%1' is not an LED: the LEDs are %2, or none").arg(name, LedNameList());
            return;
        }
        *bits |= 1 << bit;
    }
}

// A code "0".."63", or a current that is one of the 64 steps, "12.5mA".
void ParseCode(const QString& word, int* code, QString* error)
{
    static const QRegularExpression wholeNumber(QStringLiteral("^[0-9]+$"));
    static const QRegularExpression current(QStringLiteral("^([0-9]+(?:\\.[0-9]+)?)mA$"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (wholeNumber.match(word).hasMatch()) {
        bool ok;  // false when the number is too long for an int
        *code = word.toInt(&ok);
        if (!ok || *code > codec::kMaxCode)
            *error = QStringLiteral("code %1 is out of range: 0 to %2").arg(word).arg(codec::kMaxCode);
        return;
    }
    const QRegularExpressionMatch match = current.match(word);
    if (!match.hasMatch()) {
        *error = QStringLiteral("'%1' is neither a code (0 to %2) nor a current such as 12.5mA").arg(word).arg(codec::kMaxCode);
        return;
    }
    if (!codec::CodeOfCurrent(match.captured(1).toDouble(), code)) {
        *error = QStringLiteral("%1 mA is not one of the 64 steps: %2 mA to %3 mA in steps of 0.5 mA")
                     .arg(match.captured(1), codec::CurrentNumberText(0), codec::CurrentNumberText(codec::kMaxCode));
    }
}

Command::Kind KindOfName(const QString& name)
{
    static const QList<QPair<QString, Command::Kind>> kinds{
        {QStringLiteral("on"), Command::Kind::On},         {QStringLiteral("off"), Command::Kind::Off},
        {QStringLiteral("leds"), Command::Kind::Leds},     {QStringLiteral("read"), Command::Kind::Read},
        {QStringLiteral("set"), Command::Kind::Set},       {QStringLiteral("status"), Command::Kind::Status},
        {QStringLiteral("ports"), Command::Kind::Ports},
    };
    for (const auto& [word, kind] : kinds) {
        if (word == name)
            return kind;
    }
    return Command::Kind::Unknown;
}

// What each command is given, for the message when the arguments do not fit.
QString ArgumentsWanted(Command::Kind kind, const QString& name)
{
    switch (kind) {
    case Command::Kind::Leds:
        return QStringLiteral("'leds' takes one argument: NAME[,NAME...] of %1, or none").arg(LedNameList());
    case Command::Kind::Read:
        return QStringLiteral("'read' takes one argument: S, A, B or C");
    case Command::Kind::Set:
        return QStringLiteral("'set' takes two arguments: A, B or C, then a code (0 to 63) or a current such as 12.5mA");
    default:
        return QStringLiteral("'%1' takes no argument").arg(name);
    }
}

int ArgumentCount(Command::Kind kind)
{
    switch (kind) {
    case Command::Kind::Leds:
    case Command::Kind::Read:
        return 1;
    case Command::Kind::Set:
        return 2;
    default:
        return 0;
    }
}

// Reads the arguments of a command whose name and argument count are right; on a
// mistake, command.error says what is wrong.
void ParseArguments(Command& command, const QStringList& arguments)
{
    switch (command.kind) {
    case Command::Kind::Leds:
        command.registerIndex = board::REGISTER_S;
        ParseLeds(arguments.at(0), &command.value, &command.error);
        break;
    case Command::Kind::Read:
        command.registerIndex = RegisterOfName(arguments.at(0));
        if (command.registerIndex < 0)
            command.error = QStringLiteral("'%1' is not a register: S, A, B or C").arg(arguments.at(0));
        break;
    case Command::Kind::Set:
        command.registerIndex = RegisterOfName(arguments.at(0));
        if (command.registerIndex < 0 || command.registerIndex == board::REGISTER_S)
            command.error = QStringLiteral("'%1' is not a channel: A, B or C").arg(arguments.at(0));
        else
            ParseCode(arguments.at(1), &command.value, &command.error);
        break;
    default:
        break;
    }
}

}  // namespace

Command ParseCommand(const QStringList& words, int number)
{
    Command command;
    command.number = number;
    command.text = words.join(QLatin1Char(' '));
    command.name = words.value(0).toLower();
    command.kind = KindOfName(command.name);
    if (command.text.contains(QLatin1Char(';'))) {
        command.error = QStringLiteral("';' separates commands only as a word of its own or at the end of a word");
        return command;
    }
    if (command.kind == Command::Kind::Unknown) {
        command.error = QStringLiteral("unknown command '%1': on, off, leds, read, set, status, ports").arg(words.value(0));
        return command;
    }
    const QStringList arguments = words.mid(1);
    if (arguments.size() != ArgumentCount(command.kind)) {
        command.error = ArgumentsWanted(command.kind, command.name);
        return command;
    }
    ParseArguments(command, arguments);
    return command;
}

QStringList SplitLine(const QString& line)
{
    static const QRegularExpression space(QStringLiteral("\\s+"));
    return line.split(space, Qt::SkipEmptyParts);
}

bool NeedsBoard(Command::Kind kind)
{
    return kind != Command::Kind::Ports;
}

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
    int i = 1;
    for (; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("-") || !argument.startsWith(QLatin1Char('-')))
            break;  // the first command
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            options.action = CliOptions::Action::Help;
            return options;
        }
        if (argument == QLatin1String("--version")) {
            options.action = CliOptions::Action::Version;
            return options;
        }
        QString error;
        if (argument == QLatin1String("--json"))
            options.json = true;
        else if (!board::TakeBoardOption(arguments, &i, &options, &error))
            return Usage(options, QStringLiteral("unknown option '%1'").arg(argument));
        if (!error.isEmpty())
            return Usage(options, error);
    }
    if (const QString conflict = board::BoardOptionsConflict(options); !conflict.isEmpty())
        return Usage(options, conflict);
    const QStringList words = arguments.mid(i);
    if (words.isEmpty())
        return Usage(options, QStringLiteral("no command given"));
    if (words == QStringList{QStringLiteral("-")}) {
        options.action = CliOptions::Action::RunStdin;
        return options;
    }
    const QList<QStringList> commands = SplitCommands(words);
    for (int number = 1; number <= commands.size(); ++number) {
        Command command = ParseCommand(commands.at(number - 1), number);
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
        "Commands (names and arguments in any case):\n"
        "  on | off                 switch the board's output on or off (must be acknowledged)\n"
        "  leds NAME[,NAME...]      write REGISTER_S with exactly these LEDs on (A1 A2 B1 B2 C1 C2)\n"
        "  leds none                write REGISTER_S with every LED off\n"
        "  read S|A|B|C             read a register: S with its LEDs, A B C with code and current\n"
        "  set A|B|C CODE           write a current code, 0 to 63, then write REGISTER_S back as read\n"
        "  set A|B|C CURRENTmA      the same for a current, one of the 64 steps (0.5mA to 32.0mA)\n"
        "  status                   output state as set by this run, REGISTER_S, A, B and C\n"
        "  ports                    list this machine's serial ports (needs no board)\n\n"
        "Separate commands with a ';' word (quoted for the shell: ';' or \\;), or end a word with\n"
        "';' (\"on;\"). With '-' the commands come from standard input, one a line, each answered\n"
        "at once; an empty line or the end of input ends the run.\n\n"
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
    return QStringLiteral("ldx7320-cli " LDX_VERSION);
}

}  // namespace cli
