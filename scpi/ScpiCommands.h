// The instrument's commands, each described once: its header, whether it is a query, what
// parameter it takes, whether it needs the board, what a query answers when the board fails
// it, and what it does. Reading and running a line go by this table.
#pragma once

#include "ScpiErrors.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <variant>

namespace scpi {

class CInstrument;
struct Session;

enum class Parameter {
    None,
    Boolean,  // ON, OFF, 1, 0
    Leds,     // A1,B2,... or NONE: the REGISTER_S bits
    Current,  // amperes, or with a unit: 12.5MA, 0.0125A; MINimum, MAXimum: the code
    Code,     // 0..63; MINimum, MAXimum
    Byte,     // 0..255: *ESE, *SRE
    Word,     // 0..65535: a STATus enable register
};

// A command being run: what its header named and its parameter said.
struct Call {
    CInstrument& instrument;
    Session& session;
    int choice;           // which alternative of the header: the channel, the register
    int value;            // the parameter, read: 0 or 1, LED bits, a code, a register's bits
    bool answersWaiting;  // earlier queries of the same line have answered
    QString answer;       // what a query answers
};

struct ScpiCommand {
    const char* header;  // see CHeaderPattern
    bool query;
    Parameter parameter;
    bool needsBoard;
    // What a query answers when the board fails it, so that a script never waits for a
    // time-out: SCPI's not-a-number for a number. Nothing for a command.
    const char* answerWhenTheBoardFails;
    // False when the board failed it; the error is queued.
    bool (*run)(Call& call);
};

const QList<ScpiCommand>& ScpiCommandTable();

// The commands of the table for the help, a line a header: "  *ESE <0..255>, *ESE?".
QString CommandList();

// The value of a command's parameters, or what is wrong with them.
std::variant<int, Error> ReadParameter(Parameter kind, const QStringList& parameters);

// SCPI's not-a-number.
inline constexpr char kNotANumber[] = "9.91E37";

}  // namespace scpi
