// ldx7320-scpi as a lab script drives it: the server on the simulated board paced at 9600
// baud, and a PyVISA script (pyvisa_sweep.py) setting A to 0..63, each step's completion
// awaited before the next: over the raw socket, and over VXI-11 (found through the
// portmapper on port 111, the system's or the server's own; not measured where the server
// says VXI-11 is not offered).
#include "Bench.h"

#include <QProcess>
#include <QRegularExpression>
#include <stdexcept>

namespace bench {

namespace {

constexpr int kCodes = 64;
constexpr int kLimitMs = 60000;

// The first match of pattern in what the server says on standard error.
QRegularExpressionMatch Said(QProcess& server, const QString& pattern)
{
    const QRegularExpression expression(pattern);
    QByteArray said;
    while (server.waitForReadyRead(kLimitMs)) {
        said += server.readAllStandardError();
        const QRegularExpressionMatch match = expression.match(QString::fromLatin1(said));
        if (match.hasMatch())
            return match;
    }
    throw std::runtime_error("ldx7320-scpi did not say /" + pattern.toStdString() + "/: " + said.toStdString());
}

struct Sweep {
    double firstAnswerMs = 0;
    double sweepMs = 0;
};

Sweep RunSweep(const QString& resource)
{
    QProcess script;
    script.start(qEnvironmentVariable("LDX_BENCH_PYTHON", QStringLiteral("/usr/bin/python3")), {QStringLiteral(LDX_PYVISA_SWEEP), resource});
    const bool swept = script.waitForFinished(kLimitMs) && script.exitStatus() == QProcess::NormalExit && script.exitCode() == 0;
    if (!swept)
        throw std::runtime_error("PyVISA sweep: " + script.readAllStandardError().trimmed().toStdString());
    const QList<QByteArray> times = script.readAllStandardOutput().trimmed().split('\n');
    return {times.value(0).toDouble(), times.value(1).toDouble()};
}

Row SweepRow(const QString& through, const Sweep& sweep)
{
    const double wireMs = kCodes * kCurrentWriteWireMs;
    const QString overWire = QString::asprintf("%+.1f", 100 * (sweep.sweepMs - wireMs) / wireMs);
    return {QStringLiteral("Sweep 0..63 through ldx7320-scpi and PyVISA, %1 (a step written, *OPC? awaited), simulated board at 9600 baud").arg(through),
            QStringLiteral("%1 (%2 %); connection to first answer %3").arg(Ms(sweep.sweepMs), overWire, Ms(sweep.firstAnswerMs)),
            Ms(wireMs) + QStringLiteral(" wire")};
}

}  // namespace

Rows MeasureScpiSweep()
{
    QProcess server;
    server.setReadChannel(QProcess::StandardError);
    server.start(QStringLiteral(LDX_SCPI_PROGRAM), {QStringLiteral("--simulate"), QStringLiteral("--paced"), QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")});
    const QString port = Said(server, QStringLiteral("listening on 127\\.0\\.0\\.1:([0-9]+)")).captured(1);
    const bool vxi11 = Said(server, QStringLiteral("VXI-11 (on|not offered)")).captured(1) == QLatin1String("on");
    Rows rows;
    try {
        rows.push_back(SweepRow(QStringLiteral("raw socket"), RunSweep(QStringLiteral("TCPIP::127.0.0.1::%1::SOCKET").arg(port))));
        rows.push_back(vxi11 ? SweepRow(QStringLiteral("VXI-11"), RunSweep(QStringLiteral("TCPIP::127.0.0.1::INSTR")))
                             : Row{QStringLiteral("Sweep 0..63 through ldx7320-scpi and PyVISA, VXI-11"), QStringLiteral("not measured: VXI-11 not offered here"), QStringLiteral("-")});
    } catch (...) {
        server.terminate();
        server.waitForFinished(kLimitMs);
        throw;
    }
    server.terminate();
    server.waitForFinished(kLimitMs);
    return rows;
}

}  // namespace bench
