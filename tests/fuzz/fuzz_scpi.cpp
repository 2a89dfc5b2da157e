// libFuzzer: bytes from a client, as ldx7320-scpi takes them, cut into lines and run on the
// instrument over a simulated board. Whatever comes, nothing may crash, the error queue
// stays bounded, and the board hears only bytes of its command set.
#include "BoardCommands.h"
#include "Instrument.h"
#include "LineAssembler.h"
#include "SimulatedBoard.h"

#include <cstdint>
#include <cstdlib>

namespace {

bool OfTheCommandSet(const QByteArray& wire)
{
    for (qsizetype i = 0; i < wire.size(); ++i) {
        const quint8 byte = quint8(wire.at(i));
        const bool write = (byte & ~board::kRegisterIndexMask) == board::CMD_WRITE_REG;
        const bool read = (byte & ~board::kRegisterIndexMask) == board::CMD_READ_REG;
        if (!write && !read && byte != board::CMD_PROBE && byte != board::CMD_OUTPUT_ON && byte != board::CMD_OUTPUT_OFF)
            return false;
        i += write ? 1 : 0;  // a write's value byte may be anything
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    board::CSimulatedPortProvider ports;
    const std::shared_ptr<board::CSimulatedBoard> simulated = ports.Attach("SIM");
    scpi::CInstrument instrument(ports, {"SIM"}, false, [](const QString&) {});
    scpi::Session session;
    instrument.Attach(session);
    scpi::CLineAssembler lines;
    for (const scpi::CLineAssembler::Line& line : lines.Take(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)))) {
        if (!line.tooLong)
            instrument.RunLine(session, line.text);
        if (session.errors.Count() > scpi::CErrorQueue::kCapacity || !OfTheCommandSet(simulated->Received()))
            std::abort();
    }
    instrument.Detach(session);
    return 0;
}
