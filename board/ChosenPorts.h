// Where a program looks for the board, from its options.
#pragma once

#include "BoardOptions.h"
#include "SimulatedBoard.h"
#include "SystemPorts.h"

namespace board {

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
