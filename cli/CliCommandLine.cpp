#include "CliCommandLine.h"

#include "ProgramOptions.h"
#include "Version.h"

#include <QRegularExpression>

namespace cli {

namespace {

const QString kJson = QStringLiteral("json");

// The board's options and the program's own. The options end where the first command
// begins: its arguments are its own.
board::CProgramOptions Options()
{
    return board::CProgramOptions({{{kJson, QStringLiteral("answer each command with one JSON object a line")}}},
                                  board::CProgramOptions::OtherWords::EndOptions);
}

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
    options.read = board::ProgramRead::Usage;
    options.error = error;
    return options;
}

QString UsageText()
{
    return QStringLiteral(
        "usage: ldx7320-cli [--port DEVICE]... [--simulate [--paced]] [--trace] [--json] COMMAND [ARGS] [; COMMAND ...]\n"
        "       ldx7320-cli [--port DEVICE]... [--simulate [--paced]] [--trace] [--json] -");
}

QString HelpText()
{
    return Options().HelpText(UsageText(), QStringLiteral(":/help/ldx7320-cli.txt"), CommandHelp());
}

}  // namespace

CliOptions ParseCliCommandLine(const QStringList& arguments)
{
    board::CProgramOptions parser = Options();
    CliOptions options{parser.Read(arguments), false, false, {}};
    if (options.read != board::ProgramRead::Run)
        return options;
    options.json = parser.IsSet(kJson);
    const QStringList words = parser.Words();
    if (words.isEmpty())
        return Usage(options, QStringLiteral("no command given"));
    options.fromStandardInput = words == QStringList{QStringLiteral("-")};
    if (options.fromStandardInput)
        return options;
    const QList<QStringList> commands = SplitCommands(words);
    for (int number = 1; number <= commands.size(); ++number) {
        Command command = ReadCommand(commands.at(number - 1), number);
        if (command.text == QLatin1String("-"))
            command.error = QStringLiteral("'-' reads the commands from standard input and comes alone");
        if (!command.error.isEmpty())
            options.read = board::ProgramRead::Usage;
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

board::ProgramTexts Texts()
{
    return {QStringLiteral("ldx7320-cli"), UsageText(), HelpText(), QStringLiteral("ldx7320-cli ") + QString::fromLatin1(LDX_VERSION)};
}

}  // namespace cli
