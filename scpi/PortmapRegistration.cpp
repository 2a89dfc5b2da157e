#include "PortmapRegistration.h"

#include "RpcRecords.h"
#include "Xdr.h"

#include <QElapsedTimer>
#include <QTcpSocket>

namespace scpi {

namespace {

constexpr int kWaitMs = 2000;  // the loopback answers at once, or refuses the connection

}  // namespace

CPortmapRegistration::~CPortmapRegistration()
{
    for (const PortMapping& mapping : m_registered)
        Ask(PortmapProcedure::Unset, mapping);
}

CPortmapRegistration::Outcome CPortmapRegistration::Register(const QList<PortMapping>& mappings)
{
    for (const PortMapping& mapping : mappings) {
        if (!Ask(PortmapProcedure::Unset, mapping))
            return m_registered.isEmpty() ? Outcome::NoPortmapper : Outcome::Refused;
        if (Ask(PortmapProcedure::Set, mapping) != true)
            return Outcome::Refused;
        m_registered << mapping;
    }
    return Outcome::Registered;
}

std::optional<bool> CPortmapRegistration::Ask(PortmapProcedure procedure, const PortMapping& mapping)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, kPortmapPort);
    if (!socket.waitForConnected(kWaitMs))
        return std::nullopt;
    const quint32 xid = m_xid++;
    socket.write(RecordMarked(PortmapCall(xid, procedure, mapping)));
    CRecordAssembler records(1024);
    QElapsedTimer waited;
    waited.start();
    while (!records.Broken() && waited.elapsed() < kWaitMs && socket.waitForReadyRead(int(kWaitMs - waited.elapsed()))) {
        const QList<QByteArray> replies = records.Take(socket.readAll());
        if (replies.isEmpty())
            continue;
        const std::optional<QByteArray> results = ReadSuccessReply(replies.first(), xid);
        if (!results)
            return std::nullopt;
        CXdrReader reader(*results);
        const bool done = reader.Boolean();
        return reader.Failed() ? std::nullopt : std::optional<bool>(done);
    }
    return std::nullopt;
}

}  // namespace scpi
