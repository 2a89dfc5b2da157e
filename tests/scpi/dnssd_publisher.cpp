// ldx7320-scpi's DNS-SD advertisement with VXI-11 offered, as the program makes it once it
// serves VXI-11: test_dnssd.py's way to see _vxi-11._tcp on the network before then.
// Advertises a server at HOST:PORT (nothing listens there) until an ending signal.
//
//     dnssd_publisher HOST:PORT
#include "DnsSd.h"
#include "EndSignals.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

void Log(const QString& line)
{
    std::fprintf(stderr, "dnssd_publisher: %s\n", qPrintable(line));
    std::fflush(stderr);
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const board::CEndSignalNotifier endSignals([] { QCoreApplication::quit(); });
    {
        const auto advertised = scpi::AdvertiseServer(QCoreApplication::arguments().value(1), true, Log);
        application.exec();
    }
    Log(QStringLiteral("ended"));
    return 0;
}
