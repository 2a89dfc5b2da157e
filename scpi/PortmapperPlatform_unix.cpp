#include "PortmapperPlatform.h"

#include <QCoreApplication>

namespace scpi {

// rpcbind, where NFS or another RPC service is used.
bool SystemPortmapperExpected()
{
    return true;
}

// Below 1024 a port is root's, or a program's given the capability for it.
QString PortmapperAdvice()
{
    return QStringLiteral("no portmapper runs on this computer: install and start rpcbind (Debian: sudo apt install rpcbind), or let this program take port 111: "
                          "sudo setcap cap_net_bind_service=+ep %1")
        .arg(QCoreApplication::applicationFilePath());
}

}  // namespace scpi
