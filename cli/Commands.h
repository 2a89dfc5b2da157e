// The commands of ldx7320-cli. Each is described once, in the command table: its name and
// arguments for the help, how its arguments are read, how it runs on the board, and its
// answer in words and in JSON. Reading, running and both kinds of answer go by the table.
#pragma once

#include "BoardLink.h"
#include "PortListing.h"

#include <QJsonObject>
#include <QList>
#include <QStringList>
#include <optional>

namespace cli {

struct CommandKind;

// One command as read from its words; nothing opened, nothing sent.
struct Command {
    const CommandKind* kind = nullptr;  // none when the name is unknown
    int number = 0;         // its position on the command line from 1, or its line in the `-` mode
    QString name;           // the command's word in lower case ("set"), also when unknown
    QString text;           // the command as given, its words joined by one space
    int registerIndex = 0;  // read, set, and leds (REGISTER_S): board::REGISTER_A .. _S
    int value = 0;          // leds: the REGISTER_S bits; set: the current code
    QString error;          // not empty when the command is refused: what is wrong
};

struct RegisterReading {
    int index = 0;  // board::REGISTER_A .. _S
    int value = 0;  // the byte as read
};

// The probe's round trips next to the wire's time, in ms, and what slows them (empty when
// nothing does).
struct LatencyFigures {
    double medianMs = 0;
    double longestMs = 0;
    double wireMs = 0;
    QString advice;
};

struct CommandResult {
    Command command;
    // Done completely, as asked. When not, error says what went wrong, and nothing of it
    // counts as done beyond what the fields below say.
    bool done = false;
    QString error;
    std::optional<bool> outputOn;         // on, off: the output state; status: as last set
    QList<RegisterReading> readings;      // read: the register; status: S, A, B, C
    bool currentWritten = false;          // set: the code went to its register, acknowledged
    QList<board::SerialPortEntry> ports;  // ports
    LatencyFigures latency;               // latency
};

// What a run remembers between its commands.
struct RunState {
    std::optional<bool> outputOn;  // as last set by this run
};

struct CommandKind {
    const char* name;
    // For the help: each form of the command and what it does, a line each, the two
    // parts parted by a tab.
    const char* help;
    int argumentCount;
    const char* argumentsWanted;  // said when the count of arguments is wrong
    bool needsBoard;
    void (*read)(const QStringList& arguments, Command& command);  // sets error when they are wrong
    void (*run)(board::CBoardLink& link, RunState& state, CommandResult& result);
    QStringList (*text)(const CommandResult& result);               // the lines of a done command's answer
    void (*json)(const CommandResult& result, QJsonObject& answer);  // its fields, also when it failed
};

const QList<CommandKind>& CommandTable();

// Reads one command from its words, the first being its name.
Command ReadCommand(const QStringList& words, int number);
// Runs a command read without error; the link's port is open unless it needs no board.
CommandResult RunCommand(board::CBoardLink& link, RunState& state, const Command& command);
// A refused command, for the same answers as a result.
CommandResult Refusal(const Command& command);
// The commands' part of the help.
QString CommandHelp();

}  // namespace cli
