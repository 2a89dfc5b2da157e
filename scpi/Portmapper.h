// The portmapper's program, version 2 (RFC 1833): where a program listens. Answered here for
// the VXI-11 channels when no system portmapper runs; the calls that register with the
// system's are built here too. Others cannot register with this one: SET and UNSET answer
// false.
#pragma once

#include "RpcDispatch.h"

namespace scpi {

inline constexpr quint32 kPortmapProgram = 100000;
inline constexpr quint32 kPortmapVersion = 2;
inline constexpr quint16 kPortmapPort = 111;
inline constexpr quint32 kProtocolTcp = 6;
inline constexpr quint32 kProtocolUdp = 17;

enum class PortmapProcedure : quint32 { Set = 1, Unset = 2, GetPort = 3, Dump = 4 };

struct PortMapping {
    quint32 program = 0;
    quint32 version = 0;
    quint32 protocol = 0;
    quint32 port = 0;
};

// The portmapper answering for these mappings (its own among them).
RpcProgram PortmapProgram(const QList<PortMapping>& mappings);
// A portmapper's own mappings, on TCP and UDP.
QList<PortMapping> PortmapperMappings();

// A call to a portmapper: SET or UNSET of the mapping.
QByteArray PortmapCall(quint32 xid, PortmapProcedure procedure, const PortMapping& mapping);

}  // namespace scpi
