// What a board operation did: done, or what went wrong in a person's words. Every operation
// of the board link returns one; each program decides what it means for it (the panel ends,
// the console program ends its run, the SCPI server queues an error and looks for the board
// again) and shows the words its own way.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace board {

struct BoardResult {
    enum class Status {
        Done,
        // A byte that the board must acknowledge (a write's, a switch's) was answered
        // otherwise or not at all; for a write, also a byte that could not be exchanged.
        NotAcknowledged,
        NoAnswer,  // a read got no answer
        PortLost,  // a byte of a read or a switch could not be exchanged: the port failed or the device went away
        NoBoard,   // the search found the board nowhere
    };

    Status status = Status::Done;
    QString words;                // what went wrong; empty when done
    std::optional<quint8> value;  // a read: the byte read
    bool codeWritten = false;     // a current write: its register took the code, whatever came after
    QString port;                 // the search: where the board answered
    QStringList report;           // the search, with no board: why each port was not taken, and what to try

    bool Done() const { return status == Status::Done; }
    static BoardResult Failure(Status status, const QString& words) { return {status, words, {}, false, {}, {}}; }
};

}  // namespace board
