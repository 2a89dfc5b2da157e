// ldx7320-scpi: the LDX7320 board as a SCPI instrument on TCP, through the same board link
// as the panel.
#include "ChosenPorts.h"
#include "DnsSd.h"
#include "EndSignals.h"
#include "Instrument.h"
#include "ProcessEnd.h"
#include "ScpiCommandLine.h"
#include "ScpiServer.h"
#include "Vxi11Service.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

void Log(const QString& line)
{
    std::fprintf(stderr, "ldx7320-scpi: %s\n", qPrintable(line));
    std::fflush(stderr);
}

int Serve(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const scpi::ScpiOptions options = scpi::ParseScpiCommandLine(QCoreApplication::arguments());
    if (const std::optional<int> exitCode = board::AnswerWithoutRunning(options, scpi::Texts()))
        return *exitCode;
    // A signal ends the event loop; the port is closed on the way out.
    const board::CEndSignalNotifier endSignals([] { QCoreApplication::quit(); });
    board::CChosenPorts ports(options.board);
    scpi::CInstrument instrument(ports.Provider(), ports.Candidates(), options.board.trace, Log);
    {
        scpi::CInstrumentRunner runner(instrument);
        scpi::CScpiServer server(runner, Log);
        QString error;
        if (!server.Listen(options.listen, &error)) {
            Log(error);
            return 1;
        }
        Log(QStringLiteral("listening on %1").arg(server.Address()));
        scpi::CVxi11Service vxi11(runner, Log);  // unregistered from the portmapper at the end
        const bool vxi11Offered = options.vxi11 && vxi11.Start(server.Host());
        // Found by the lab's tools while it serves beyond the loopback; withdrawn at the end.
        const auto advertised = scpi::AdvertiseServer(server.Address(), vxi11Offered, Log);
        runner.LookForBoard();  // it serves without a board all the same
        application.exec();
    }  // the line under way finishes, and the port is closed
    Log(QStringLiteral("ended"));
    return 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    return scpi::EndProcess(Serve(argc, argv));  // every object of the program gone by then
}
