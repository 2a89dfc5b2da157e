// What the board link needs from the program around it: the panel implements this, tests
// give the link a fake one and test it without any window.
#pragma once

#include <QString>

namespace board {

class IBoardHost {
public:
    virtual ~IBoardHost() = default;
    // A byte could not be sent: the panel ends, without a message, once the running
    // handler has returned.
    virtual void CancelPanel() = 0;
    // The program ends with exit code 0 once the running handler has returned.
    virtual void RequestQuit() = 0;
    // Shows the link's one message and returns when the user has closed it. details, when
    // not empty, says why (the ports tried and what each did) for a person to read.
    virtual void ShowBoardMessage(const QString& text, const QString& details) = 0;
    // One line for standard error: why a port was not taken, or a traced exchange.
    virtual void WriteDiagnostic(const QString& line) = 0;
};

}  // namespace board
