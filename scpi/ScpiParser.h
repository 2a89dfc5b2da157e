// SCPI's grammar, as far as this instrument needs it: a line of program message units
// parted by ';', each a header (mnemonics in long or short form, any case, optional nodes
// in brackets, a '?' for a query, '*' for the common commands) and its parameters parted
// by ','; numbers with a unit suffix; MINimum and MAXimum.
#pragma once

#include "ScpiErrors.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace scpi {

struct MessageUnit {
    QStringList nodes;       // "CURR", "A"; a common command is one node: "*IDN"
    bool absolute = false;   // began with ':': not relative to the path of the unit before
    bool query = false;
    QStringList parameters;  // trimmed; a unit without parameters has none
};

// The units of a line, up to a syntax error if there is one: units before it run, and
// the rest of the line is dropped.
struct ReadLine {
    QList<MessageUnit> units;
    std::optional<Error> error;
};
ReadLine ReadProgramMessage(const QByteArray& line);

// A mnemonic of a pattern, "CURRent": its short form is its capitals ("CURR"), its long
// form the whole of it; either matches, in any case.
bool MatchesMnemonic(const QString& word, const QString& mnemonic);

// A header of the command table: nodes parted by ':', an optional one in brackets
// ("[:LEVel]"), alternatives parted by '|' ("A|B|C"), such as "CURRent:A|B|C[:LEVel]".
class CHeaderPattern {
public:
    explicit CHeaderPattern(const QString& pattern);
    // Whether the nodes match; *choice says which alternative of the node that has them
    // matched (0 where there is none).
    bool Match(const QStringList& nodes, int* choice) const;

private:
    struct Node {
        QStringList alternatives;
        bool optional = false;
    };
    bool MatchFrom(int node, int word, const QStringList& words, int* choice) const;

    QList<Node> m_nodes;
};

// A number (NRf) with an optional suffix of letters after it, such as "12.5MA", "12.5 mA",
// "0.0125", "1.25E-2"; nothing when the text is not one.
struct Numeric {
    double value = 0;
    QString suffix;  // in capitals; empty when there is none
};
std::optional<Numeric> ReadNumeric(const QString& text);

}  // namespace scpi
