// One parsed command run on the open board link, and the record of what came of it.
#pragma once

#include "CliCommandLine.h"
#include "PortListing.h"

#include <QList>
#include <optional>

namespace board {
class CBoardLink;
}

namespace cli {

class CCliHost;

struct RegisterReading {
    int index = 0;  // board::REGISTER_A .. _S
    int value = 0;  // the byte as read
};

struct CommandResult {
    Command command;
    // Done completely, as asked. When not, error says what went wrong, and nothing of it
    // is reported as done beyond what the fields below say.
    bool done = false;
    QString error;
    std::optional<bool> outputOn;     // on, off, status: the output state; status: as last set
    QList<RegisterReading> readings;  // read: the register; status: S, A, B, C
    bool currentWritten = false;      // set: the code went to its register, acknowledged
    QList<board::SerialPortEntry> ports;  // ports
};

// What a run remembers between its commands.
struct RunState {
    std::optional<bool> outputOn;  // as last set by this run
};

// Runs a command without error on the link, whose port is open unless the command is
// `ports`.
CommandResult RunCommand(board::CBoardLink& link, const CCliHost& host, RunState& state, const Command& command);

// A refused command, for the same output as a result.
CommandResult Refusal(const Command& command);

// "A", "B", "C", "S" for REGISTER_A .. _S.
QString RegisterName(int index);

}  // namespace cli
