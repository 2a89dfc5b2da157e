// ldx7320-cli as a script drives it: one process in the `-` mode on the simulated board
// paced at 9600 baud, set A 0..63 written a line at a time, each answer read before the
// next line is written.
#include "Bench.h"

#include <QProcess>
#include <stdexcept>

namespace bench {

namespace {

constexpr int kCodes = 64;
constexpr int kAnswerLimitMs = 5000;

// Writes one command and returns its answer line.
QByteArray Ask(QProcess& cli, const QByteArray& command)
{
    cli.write(command + '\n');
    while (!cli.canReadLine()) {
        if (!cli.waitForReadyRead(kAnswerLimitMs))
            throw std::runtime_error("ldx7320-cli did not answer '" + command.toStdString() + "'");
    }
    return cli.readLine().trimmed();
}

}  // namespace

Rows MeasureCliSweep()
{
    QProcess cli;
    const Clock::time_point started = Clock::now();
    cli.start(QStringLiteral(LDX_CLI_PROGRAM), {QStringLiteral("--simulate"), QStringLiteral("--paced"), QStringLiteral("-")});
    // The first answer shows the board found and the port open: the sweep starts there.
    Ask(cli, "leds A1");
    const double startMs = MsSince(started);

    const Clock::time_point sweepStart = Clock::now();
    for (int code = 0; code < kCodes; ++code) {
        const QByteArray answer = Ask(cli, "set A " + QByteArray::number(code));
        if (!answer.endsWith("REGISTER_S written back"))
            throw std::runtime_error("ldx7320-cli answered: " + answer.toStdString());
    }
    const double sweepMs = MsSince(sweepStart);
    cli.closeWriteChannel();
    if (!cli.waitForFinished(kAnswerLimitMs) || cli.exitCode() != 0)
        throw std::runtime_error("ldx7320-cli did not end with 0 after the sweep");

    const double wireMs = kCodes * kCurrentWriteWireMs;
    const QString overWire = QString::asprintf("%+.1f", 100 * (sweepMs - wireMs) / wireMs);
    return {
        {QStringLiteral("Sweep 0..63 through ldx7320-cli - (a line written, its answer read), simulated board at 9600 baud"),
         QStringLiteral("%1 (%2 %); process start to first answer %3").arg(Ms(sweepMs), overWire, Ms(startMs)),
         Ms(wireMs) + QStringLiteral(" wire")},
    };
}

}  // namespace bench
