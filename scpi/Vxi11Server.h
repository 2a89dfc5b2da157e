// VXI-11's front door: the core and abort channels on TCP, on the host the raw socket
// listens on, at ports the system chooses.
#pragma once

#include "Portmapper.h"
#include "RpcListener.h"
#include "Vxi11Core.h"

namespace scpi {

class CVxi11Server {
public:
    CVxi11Server(CInstrumentRunner& runner, std::function<void(const QString&)> log);

    // False with *error saying why.
    bool Listen(const QHostAddress& host, QString* error);
    // Where the core channel listens, as "127.0.0.1:40123".
    QString Address() const;
    // What a portmapper tells clients.
    QList<PortMapping> Mappings() const;
    void Close();

private:
    CVxi11Core m_core;
    CRpcListener m_coreChannel;
    CRpcListener m_abortChannel;
    QHostAddress m_host;
};

}  // namespace scpi
