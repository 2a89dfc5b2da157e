// What the board link cannot decide for the program around it: how its one message is shown
// (a box over the panel, a line on standard error) and where its diagnostics go. The panel,
// the console programs and the tests each give the link their own.
#pragma once

#include <QString>

namespace board {

class IBoardHost {
public:
    virtual ~IBoardHost() = default;
    // Shows the link's one message, and returns when a person has seen it.
    virtual void ShowBoardMessage(const QString& text) = 0;
    // One line for standard error: a traced exchange, a byte dropped.
    virtual void WriteDiagnostic(const QString& line) = 0;
};

}  // namespace board
