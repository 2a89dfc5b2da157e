#include "PortmapperPlatform.h"

namespace scpi {

bool SystemPortmapperExpected()
{
    return false;
}

// Any program may take port 111 on Windows: another one holds it.
QString PortmapperAdvice()
{
    return QStringLiteral("another program holds port 111 (an instrument server or a portmapper): end it and start this one again");
}

}  // namespace scpi
