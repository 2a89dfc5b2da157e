// The command line of ldx7320-cli and the commands it runs, read into plain records. No
// I/O and nothing opened here, so that every command can be checked before a byte is sent.
#pragma once

#include "BoardOptions.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace cli {

struct Command {
    enum class Kind { Unknown, On, Off, Leds, Read, Set, Status, Ports };
    Kind kind = Kind::Unknown;
    // Its position on the command line from 1, or its line number in the `-` mode.
    int number = 0;
    QString name;           // the command's word in lower case ("set"), also when unknown
    QString text;           // the command as given, its words joined by one space
    int registerIndex = 0;  // Read, Set, and Leds (REGISTER_S): board::REGISTER_A .. _S
    int value = 0;          // Leds: the REGISTER_S bits; Set: the current code
    QString error;          // not empty when the command was refused: what is wrong
};

// Reads one command from its words (the first is the command's name).
Command ParseCommand(const QStringList& words, int number);

// Splits a line of the `-` mode into words at white space.
QStringList SplitLine(const QString& line);

// Whether the command talks to the board (all but `ports`).
bool NeedsBoard(Command::Kind kind);

struct CliOptions : board::BoardOptions {
    enum class Action { RunCommands, RunStdin, Help, Version, Usage };
    Action action = Action::RunCommands;
    bool json = false;
    QList<Command> commands;  // RunCommands, and Usage when one was refused
    QString error;            // Usage: what is wrong with the options, when they are at fault
};

// arguments as main receives them, the program's name first. Options come before the
// commands; commands are separated by a ';' word or a ';' ending a word. With Usage,
// either error is set or at least one command carries its error.
CliOptions ParseCliCommandLine(const QStringList& arguments);

QString UsageText();
QString HelpText();
QString VersionText();

}  // namespace cli
