// The command line of ldx7320-cli, read into plain records: the options, then the commands,
// each checked before anything is opened or sent.
#pragma once

#include "ProgramOptions.h"
#include "Commands.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace cli {

// With Usage, either error is set or at least one command carries its error.
struct CliOptions : board::ProgramCommandLine {
    bool json = false;
    bool fromStandardInput = false;  // `-`: the commands come a line each from standard input
    QList<Command> commands;         // from the command line, also when one was refused
};

// arguments as main receives them, the program's name first. Options come before the
// commands; commands are separated by a ';' word or a ';' ending a word.
CliOptions ParseCliCommandLine(const QStringList& arguments);

// Splits a line of the `-` mode into words at white space.
QStringList SplitLine(const QString& line);

// What --help, --version and a usage error print.
board::ProgramTexts Texts();

}  // namespace cli
