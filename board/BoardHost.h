// Where the board link's diagnostics go: the trace of every exchange, a byte dropped. The
// panel and the console programs write them to standard error; the tests keep them.
#pragma once

#include <QString>

namespace board {

class IBoardHost {
public:
    virtual ~IBoardHost() = default;
    // One line for standard error.
    virtual void WriteDiagnostic(const QString& line) = 0;
};

}  // namespace board
