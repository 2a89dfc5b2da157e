// The portmapper answered here, on port 111, TCP and UDP, where no system portmapper runs:
// version 2 for the mappings it is given, other versions answered with "program mismatch".
// UDP listens on the any-address unless the host is a loopback one, so that the
// broadcasts with which clients look for instruments reach it.
#pragma once

#include "Portmapper.h"
#include "RpcListener.h"

#include <QUdpSocket>

namespace scpi {

class CPortmapServer : public QObject {
public:
    CPortmapServer();

    // False with *error saying why (port 111 taken, or not this program's to take).
    bool Listen(const QHostAddress& host, const QList<PortMapping>& mappings, QString* error);

private:
    void AnswerDatagrams();

    QList<RpcProgram> m_programs;
    CRpcListener m_tcp;
    QUdpSocket m_udp;
};

}  // namespace scpi
