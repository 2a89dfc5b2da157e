#include "Portmapper.h"

#include "Xdr.h"

#include <algorithm>

namespace scpi {

namespace {

std::optional<PortMapping> ReadMapping(const QByteArray& arguments)
{
    CXdrReader reader(arguments);
    PortMapping mapping;
    mapping.program = reader.Unsigned();
    mapping.version = reader.Unsigned();
    mapping.protocol = reader.Unsigned();
    mapping.port = reader.Unsigned();
    return reader.Failed() ? std::nullopt : std::optional<PortMapping>(mapping);
}

QByteArray PortOf(const QList<PortMapping>& mappings, const PortMapping& asked)
{
    const auto found = std::find_if(mappings.begin(), mappings.end(), [&asked](const PortMapping& mapping) {
        return mapping.program == asked.program && mapping.version == asked.version && mapping.protocol == asked.protocol;
    });
    return CXdrWriter().Unsigned(found == mappings.end() ? 0 : found->port).Data();
}

// A list of entries, each behind a "more follows" flag.
QByteArray Dump(const QList<PortMapping>& mappings)
{
    CXdrWriter writer;
    for (const PortMapping& mapping : mappings)
        writer.Boolean(true).Unsigned(mapping.program).Unsigned(mapping.version).Unsigned(mapping.protocol).Unsigned(mapping.port);
    return writer.Boolean(false).Data();
}

}  // namespace

RpcProgram PortmapProgram(const QList<PortMapping>& mappings)
{
    return {kPortmapProgram, kPortmapVersion, [mappings](const RpcCall& call, const RpcRespond& respond) {
                const std::optional<PortMapping> mapping = ReadMapping(call.arguments);
                switch (PortmapProcedure(call.procedure)) {
                case PortmapProcedure::Set:
                case PortmapProcedure::Unset:
                    Answer(call, respond, mapping ? std::optional(CXdrWriter().Boolean(false).Data()) : std::nullopt);
                    return true;
                case PortmapProcedure::GetPort:
                    Answer(call, respond, mapping ? std::optional(PortOf(mappings, *mapping)) : std::nullopt);
                    return true;
                case PortmapProcedure::Dump:
                    Answer(call, respond, Dump(mappings));
                    return true;
                }
                return false;
            }};
}

QList<PortMapping> PortmapperMappings()
{
    return {{kPortmapProgram, kPortmapVersion, kProtocolTcp, kPortmapPort}, {kPortmapProgram, kPortmapVersion, kProtocolUdp, kPortmapPort}};
}

QByteArray PortmapCall(quint32 xid, PortmapProcedure procedure, const PortMapping& mapping)
{
    const QByteArray arguments = CXdrWriter().Unsigned(mapping.program).Unsigned(mapping.version).Unsigned(mapping.protocol).Unsigned(mapping.port).Data();
    return CallMessage(xid, kPortmapProgram, kPortmapVersion, quint32(procedure), arguments);
}

}  // namespace scpi
