// The answers of a run: one line per command on standard output, in words for a person
// or, with --json, one JSON object; notes for a person go to standard error.
#pragma once

#include "Commands.h"

#include <QByteArray>
#include <QStringList>
#include <functional>

namespace cli {

// How a command's number is named in messages.
enum class Numbering {
    Positions,  // "command 2": its position on the command line
    Lines,      // "line 2": its line of standard input
};

// One answer in words; `ports` gives a line per port, everything else one line.
QStringList TextAnswer(const CommandResult& result, Numbering numbering);
// One answer as a compact JSON object, without a line end.
QByteArray JsonAnswer(const CommandResult& result);

class COutput {
public:
    // Writes one line and its line end, flushed at once; false when it could not.
    using LineSink = std::function<bool(const QByteArray& line)>;

    COutput(bool json, LineSink out, LineSink err);

    void SetNumbering(Numbering numbering) { m_numbering = numbering; }
    // On standard output; false when it is gone (the reader has ended).
    bool Answer(const CommandResult& result);
    // A command refused before anything ran: with --json on standard output, where a
    // script reads, else on standard error with the usage error it is.
    void Refused(const Command& command);
    // "ldx7320-cli: text" on standard error.
    void Note(const QString& text);
    // A line of the board link (the trace, the ports tried), as it is, on standard error.
    void Diagnostic(const QString& line);

private:
    bool m_json;
    LineSink m_out;
    LineSink m_err;
    Numbering m_numbering = Numbering::Positions;
};

// "command 2 (set A 64)" or "line 2 (set A 64)".
QString Where(const Command& command, Numbering numbering);

}  // namespace cli
