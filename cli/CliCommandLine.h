// The command line of ldx7320-cli, read into plain records: the options, then the commands,
// each checked before anything is opened or sent.
#pragma once

#include "BoardOptions.h"
#include "Commands.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace cli {

struct CliOptions {
    enum class Action { RunCommands, RunStdin, Help, Version, Usage };
    Action action = Action::RunCommands;
    board::BoardOptions board;
    bool json = false;
    QList<Command> commands;  // RunCommands, and Usage when one was refused
    QString error;            // Usage: what is wrong with the options, when they are at fault
};

// arguments as main receives them, the program's name first. Options come before the
// commands; commands are separated by a ';' word or a ';' ending a word. With Usage,
// either error is set or at least one command carries its error.
CliOptions ParseCliCommandLine(const QStringList& arguments);

// Splits a line of the `-` mode into words at white space.
QStringList SplitLine(const QString& line);

QString UsageText();
QString HelpText();
QString VersionText();

}  // namespace cli
