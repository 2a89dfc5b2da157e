// ldx7320-scpi as a lab script drives it: the server on the simulated board paced at 9600
// baud, and a PyVISA script (pyvisa_sweep.py) setting A to 0..63, each step's completion
// awaited before the next.
#include "Bench.h"

#include <QProcess>
#include <QRegularExpression>
#include <stdexcept>

namespace bench {

namespace {

constexpr int kCodes = 64;
constexpr int kLimitMs = 60000;

// The port the server says it listens on.
int ListeningPort(QProcess& server)
{
    static const QRegularExpression listening(QStringLiteral("listening on 127\\.0\\.0\\.1:([0-9]+)"));
    QByteArray said;
    while (server.waitForReadyRead(kLimitMs)) {
        said += server.readAllStandardError();
        const QRegularExpressionMatch match = listening.match(QString::fromLatin1(said));
        if (match.hasMatch())
            return match.captured(1).toInt();
    }
    throw std::runtime_error("ldx7320-scpi did not say where it listens: " + said.toStdString());
}

}  // namespace

Rows MeasureScpiSweep()
{
    QProcess server;
    server.setReadChannel(QProcess::StandardError);
    server.start(QStringLiteral(LDX_SCPI_PROGRAM), {QStringLiteral("--simulate"), QStringLiteral("--paced"), QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")});
    const int port = ListeningPort(server);

    QProcess script;
    script.start(qEnvironmentVariable("LDX_BENCH_PYTHON", QStringLiteral("/usr/bin/python3")),
                 {QStringLiteral(LDX_PYVISA_SWEEP), QString::number(port)});
    const bool swept = script.waitForFinished(kLimitMs) && script.exitStatus() == QProcess::NormalExit && script.exitCode() == 0;
    server.terminate();
    server.waitForFinished(kLimitMs);
    if (!swept)
        throw std::runtime_error("PyVISA sweep: " + script.readAllStandardError().trimmed().toStdString());
    const QList<QByteArray> times = script.readAllStandardOutput().trimmed().split('\n');
    const double firstAnswerMs = times.value(0).toDouble();
    const double sweepMs = times.value(1).toDouble();

    const double wireMs = kCodes * kCurrentWriteWireMs;
    const QString overWire = QString::asprintf("%+.1f", 100 * (sweepMs - wireMs) / wireMs);
    return {
        {QStringLiteral("Sweep 0..63 through ldx7320-scpi and PyVISA (a step written, *OPC? awaited), simulated board at 9600 baud"),
         QStringLiteral("%1 (%2 %); connection to first answer %3").arg(Ms(sweepMs), overWire, Ms(firstAnswerMs)),
         Ms(wireMs) + QStringLiteral(" wire")},
    };
}

}  // namespace bench
