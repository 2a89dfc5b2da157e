#include "ChosenPorts.h"

#include "PortListing.h"

namespace board {

CChosenPorts::CChosenPorts(const BoardOptions& options)
    : m_simulate(options.simulate), m_candidates(options.ports)
{
    // The simulated board goes by that name wherever a port is shown, so that nobody takes
    // it for a board on a port of the machine; no system port is looked at.
    if (m_candidates.isEmpty())
        m_candidates = m_simulate ? QStringList{QStringLiteral("simulated board")} : DefaultCandidatePorts();
    if (m_simulate)
        m_simulated.Attach(m_candidates.front())->realTime = options.paced;
}

}  // namespace board
