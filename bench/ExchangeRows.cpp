// One-byte exchanges (the probe, answered with ACK) over a pseudo-terminal, through the
// panel's own link and through the pyserial peer script. A pty has no wire time, so what
// is measured is all overhead. The two take turns in blocks to meet the same load.
#include "Bench.h"

#include "BoardCommands.h"
#include "BoardHost.h"
#include "BoardLink.h"
#include "SystemPorts.h"

#include <QProcess>
#include <stdexcept>

namespace bench {

namespace {

constexpr int kExchanges = 2000;
constexpr int kWarmUp = 50;
constexpr int kBlocks = 4;
constexpr double kGoalUs = 100;
constexpr double kExchangeWireUs = 1000 * kExchangeWireMs;

// The link needs a host for its trace, which is off.
struct CQuietHost : board::IBoardHost {
    void WriteDiagnostic(const QString&) override {}
};

// Adds count exchange times in µs.
void TimeLinkExchanges(const QString& device, int count, std::vector<double>& timesUs)
{
    board::CSystemPortProvider ports;
    CQuietHost host;
    board::CBoardLink link(ports, host);
    link.FindBoardPort({device});
    for (int i = -kWarmUp; i < count; ++i) {  // the first ones are not kept
        const Clock::time_point start = Clock::now();
        const board::Exchange probe = link.ExchangeByte(board::CMD_PROBE);
        const double us = 1000 * MsSince(start);
        if (probe.reply != board::ACK)
            throw std::runtime_error("a link exchange on a pty went unanswered");
        if (i >= 0)
            timesUs.push_back(us);
    }
}

// The script prints one exchange time in µs a line.
void TimePyserialExchanges(const QString& device, int count, std::vector<double>& timesUs)
{
    QProcess script;
    script.start(qEnvironmentVariable("LDX_BENCH_PYTHON", QStringLiteral("/usr/bin/python3")),
                 {QStringLiteral(LDX_PYSERIAL_PEER), device, QString::number(count), QString::number(kWarmUp)});
    if (!script.waitForFinished(120000) || script.exitStatus() != QProcess::NormalExit || script.exitCode() != 0)
        throw std::runtime_error("pyserial peer: " + script.readAllStandardError().trimmed().toStdString());
    for (const QByteArray& line : script.readAllStandardOutput().split('\n')) {
        if (!line.isEmpty())
            timesUs.push_back(line.toDouble());
    }
}

Row ExchangeRow(const QString& way, const QString& statistic, double us, const QString& goal, const QString& met)
{
    return {QStringLiteral("Exchange overhead, %1, %2").arg(way, statistic),
            QStringLiteral("%1 µs (%2 % of wire)").arg(us, 0, 'f', 0).arg(100 * us / kExchangeWireUs, 0, 'f', 1),
            QStringLiteral("%1 µs wire").arg(kExchangeWireUs, 0, 'f', 0), goal, met};
}

}  // namespace

Rows MeasureExchanges()
{
    CTimedBoard board(true);
    std::vector<double> linkUs;
    std::vector<double> pyserialUs;
    for (int block = 0; block < kBlocks; ++block) {
        TimeLinkExchanges(board.DevicePath(), kExchanges / kBlocks, linkUs);
        TimePyserialExchanges(board.DevicePath(), kExchanges / kBlocks, pyserialUs);
    }
    const QString link = QStringLiteral("CBoardLink + QSerialPort");
    const QString pyserial = QStringLiteral("pyserial peer");
    const QString median = QStringLiteral("median of %1 on a pty").arg(linkUs.size());
    const QString p99 = QStringLiteral("99th percentile");
    const QString goal = QStringLiteral("< %1 µs (5 %) and <= pyserial").arg(kGoalUs, 0, 'f', 0);
    const double linkMedian = Median(linkUs);
    const double linkP99 = Percentile(linkUs, 99);
    return {
        ExchangeRow(link, median, linkMedian, goal, Met(linkMedian < kGoalUs && linkMedian <= Median(pyserialUs))),
        ExchangeRow(link, p99, linkP99, goal, Met(linkP99 < kGoalUs && linkP99 <= Percentile(pyserialUs, 99))),
        ExchangeRow(pyserial, median, Median(pyserialUs), {}, {}),
        ExchangeRow(pyserial, p99, Percentile(pyserialUs, 99), {}, {}),
    };
}

}  // namespace bench
