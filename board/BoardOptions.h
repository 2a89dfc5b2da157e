// The options that say which board to talk to and whether to trace the link. The panel
// and ldx7320-cli take them alike, with the same words for the same mistakes.
#pragma once

#include "SimulatedBoard.h"
#include "SystemPorts.h"

#include <QString>
#include <QStringList>

namespace board {

struct BoardOptions {
    bool simulate = false;
    bool trace = false;
    QStringList ports;  // replaces the default candidates when given
};

// Takes arguments[*index] when it is --simulate, --trace, --port DEVICE or --port=DEVICE,
// leaving *index on the last argument used, and returns true; *error then says what is
// missing, if anything. Returns false for any other argument.
bool TakeBoardOption(const QStringList& arguments, int* index, BoardOptions* options, QString* error);

// What is wrong with the options taken together, or nothing.
QString BoardOptionsConflict(const BoardOptions& options);

// The ports the options choose: the simulated board on the first candidate, or the
// system's own ports; and the candidates to search, in order (--port's, else the default
// ones).
class CChosenPorts {
public:
    explicit CChosenPorts(const BoardOptions& options);
    CPortProvider& Provider() { return m_simulate ? static_cast<CPortProvider&>(m_simulated) : m_system; }
    const QStringList& Candidates() const { return m_candidates; }

private:
    bool m_simulate;
    QStringList m_candidates;
    CSystemPortProvider m_system;
    CSimulatedPortProvider m_simulated;
};

}  // namespace board
