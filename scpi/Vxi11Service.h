// VXI-11 beside the raw socket, found through the portmapper: registered with the system's
// where one runs, else the portmapper answered here on port 111, else not offered at all,
// with the reason said once and what to do about it. The raw socket is served either way.
#pragma once

#include "PortmapRegistration.h"
#include "PortmapServer.h"
#include "Vxi11Server.h"

namespace scpi {

class CVxi11Service {
public:
    CVxi11Service(CInstrumentRunner& runner, std::function<void(const QString&)> log);

    // At host, the raw socket's; says on the log where it listens and how it is found.
    // Whether it is offered.
    bool Start(const QHostAddress& host);

private:
    std::function<void(const QString&)> m_log;
    CVxi11Server m_server;
    CPortmapRegistration m_registration;
    CPortmapServer m_portmapper;
};

}  // namespace scpi
