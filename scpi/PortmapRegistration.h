// The VXI-11 core channel registered with the system's portmapper (rpcbind), by the calls
// any RPC server makes to it over the loopback, and unregistered when this goes: at the
// program's end, whichever way it ends. Each exchange is short and bounded, at the start
// and at the end, never while clients are served.
#pragma once

#include "Portmapper.h"

#include <QString>

namespace scpi {

class CPortmapRegistration {
public:
    enum class Outcome { Registered, NoPortmapper, Refused };

    CPortmapRegistration() = default;
    CPortmapRegistration(const CPortmapRegistration&) = delete;
    CPortmapRegistration& operator=(const CPortmapRegistration&) = delete;
    ~CPortmapRegistration();

    // A mapping left by a server that ended without unregistering is replaced.
    Outcome Register(const QList<PortMapping>& mappings);

private:
    // The portmapper's answer, true or false; nothing where none came.
    std::optional<bool> Ask(PortmapProcedure procedure, const PortMapping& mapping);

    QList<PortMapping> m_registered;
    quint32 m_xid = 1;
};

}  // namespace scpi
