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

// One instrument on its thread for every input, as the server has it; each input's links
// are its own, and go with its core.
struct Bench {
    int argc = 1;
    char name[9] = "fuzz_rpc";
    char* argv[2] = {name, nullptr};
    QCoreApplication application{argc, argv};
    board::CSimulatedPortProvider ports;
    std::shared_ptr<board::CSimulatedBoard> board = ports.Attach("SIM");
    scpi::CInstrument instrument{ports, {"SIM"}, false, [](const QString&) {}};
    scpi::CInstrumentRunner runner{instrument};
};

bool IsReply(const QByteArray& reply)
{
    scpi::CXdrReader reader(reply);
    reader.Unsigned();
    return reader.Unsigned() == 1u && !reader.Failed();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Bench bench;
    scpi::CVxi11Core core(bench.runner, [](const QString&) {});
    const QList<scpi::RpcProgram> programs{core.CoreProgram(1, QStringLiteral("fuzz")), core.AbortProgram(),
                                           scpi::PortmapProgram(scpi::PortmapperMappings())};
    scpi::CRecordAssembler records(scpi::CRpcConnection::kMaxRecord);
    int calls = 0;
    int replies = 0;
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
    return 0;
}
