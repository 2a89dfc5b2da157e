// libFuzzer: bytes from a client of the VXI-11 core channel, cut into records and answered
// as calls to the core, abort and portmapper programs, with the instrument on a simulated
// board behind its runner. Whatever comes, nothing may crash, each call is answered at most
// once, and every answer is a reply.
#include "Instrument.h"
#include "InstrumentRunner.h"
#include "Portmapper.h"
#include "RpcConnection.h"
#include "RpcRecords.h"
#include "SimulatedBoard.h"
#include "Vxi11Core.h"
#include "Xdr.h"

#include <QCoreApplication>
#include <cstdint>
#include <cstdlib>

namespace {

QCoreApplication& Application()
{
    static int argc = 1;
    static char name[] = "fuzz_rpc";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    return application;
}

bool IsReply(const QByteArray& reply)
{
    scpi::CXdrReader reader(reply);
    reader.Unsigned();
    return reader.Unsigned() == 1u && !reader.Failed();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Application();
    board::CSimulatedPortProvider ports;
    ports.Attach("SIM");
    scpi::CInstrument instrument(ports, {"SIM"}, false, [](const QString&) {});
    int calls = 0;
    int replies = 0;
    {
        scpi::CInstrumentRunner runner(instrument);
        scpi::CVxi11Core core(runner, [](const QString&) {});
        const QList<scpi::RpcProgram> programs{core.CoreProgram(1, QStringLiteral("fuzz")), core.AbortProgram(),
                                               scpi::PortmapProgram(scpi::PortmapperMappings())};
        scpi::CRecordAssembler records(scpi::CRpcConnection::kMaxRecord);
        for (const QByteArray& record : records.Take(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)))) {
            ++calls;
            scpi::Dispatch(record, programs, [&replies](const QByteArray& reply) {
                ++replies;
                if (!reply.isEmpty() && !IsReply(reply))
                    std::abort();
            });
            QCoreApplication::processEvents();  // answers of lines that have run
            if (replies > calls)
                std::abort();
        }
    }
    return 0;
}
