// The built program as a child process on the offscreen platform: how long from its start
// until CMD_OUTPUT_OFF (0xB0) reaches the board, and what it costs once it sits idle.
#include "Bench.h"

#include "BoardCommands.h"
#include "PortListing.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <memory>
#include <stdexcept>

namespace bench {

namespace {

using namespace std::chrono_literals;

constexpr int kStartUpRuns = 5;
constexpr int kSilentPorts = 3;
constexpr int kIdleSeconds = 10;
constexpr double kGoalOverWaitsMs = 50;
constexpr std::chrono::milliseconds kStartUpLimit = 10s;

// Returns when the start was asked for. Its output is read only when waited for.
Clock::time_point StartPanel(QProcess& panel, const QStringList& arguments)
{
    panel.setProcessChannelMode(QProcess::MergedChannels);
    const Clock::time_point started = Clock::now();
    panel.start(QStringLiteral(LDX_PANEL_PROGRAM), arguments);
    return started;
}

// A killed panel leaves the lock file QSerialPort made for its port behind:
// /var/lock/LCK..pts_7 for /dev/pts/7. It goes when it names that panel.
void KillPanel(QProcess& panel, const QString& device = {})
{
    const qint64 pid = panel.processId();
    panel.kill();
    panel.waitForFinished();
    if (device.isEmpty())
        return;
    QFile lockFile(QStringLiteral("/var/lock/") + board::LockFileName(device));
    if (lockFile.open(QIODevice::ReadOnly) && lockFile.readLine().trimmed().toLongLong() == pid)
        lockFile.remove();
}

struct StartUpTimes {
    std::vector<double> toOutputOffMs;  // process start to 0xB0 at the board
    std::vector<double> probingMs;      // first probe at any port to 0xB0: the link's share
};

// One start with silentPorts ptys that never answer ahead of the board's.
void TimeOneStartUp(int silentPorts, StartUpTimes& times)
{
    std::vector<std::unique_ptr<CTimedBoard>> silent;
    QStringList arguments;
    for (int i = 0; i < silentPorts; ++i) {
        silent.push_back(std::make_unique<CTimedBoard>(false));
        arguments << QStringLiteral("--port") << silent.back()->DevicePath();
    }
    CTimedBoard board(true);
    arguments << QStringLiteral("--port") << board.DevicePath();
    CTimedBoard& firstPort = silent.empty() ? board : *silent.front();

    QProcess panel;
    const Clock::time_point started = StartPanel(panel, arguments);
    const auto outputOff = board.FirstArrival(board::CMD_OUTPUT_OFF, kStartUpLimit);
    const auto firstProbe = firstPort.FirstArrival(board::CMD_PROBE, 0ms);
    KillPanel(panel, board.DevicePath());
    if (!outputOff || !firstProbe)
        throw std::runtime_error("the panel sent no 0xB0 to the board's pty");
    times.toOutputOffMs.push_back(MsBetween(started, *outputOff));
    times.probingMs.push_back(MsBetween(*firstProbe, *outputOff));
}

Rows StartUpRows(const QString& which, const StartUpTimes& times, double waitsMs)
{
    const QString measure = QStringLiteral("Start-up, %1 (median of %2): ").arg(which).arg(kStartUpRuns);
    const QString waits = QStringLiteral("%1 of time-outs").arg(Ms(waitsMs, 0));
    const double probingMs = Median(times.probingMs);
    return {
        {measure + QStringLiteral("process start to 0xB0"), Ms(Median(times.toOutputOffMs)), waits, {}, {}},
        {measure + QStringLiteral("first probe to 0xB0"), Ms(probingMs), waits,
         QStringLiteral("< %1").arg(Ms(waitsMs + kGoalOverWaitsMs, 0)), Met(probingMs < waitsMs + kGoalOverWaitsMs)},
    };
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// CPU time of all its threads: the first number (ns) of each /proc/PID/task/TID/schedstat.
double CpuMs(qint64 pid)
{
    double ns = 0;
    const QString tasks = QStringLiteral("/proc/%1/task/").arg(pid);
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        ns += ReadFile(tasks + task + QStringLiteral("/schedstat")).split(' ').first().toDouble();
    return ns / 1e6;
}

double ResidentMiB(qint64 pid)
{
    const QByteArray status = ReadFile(QStringLiteral("/proc/%1/status").arg(pid));
    return status.mid(status.indexOf("VmRSS:") + 6).trimmed().split(' ').first().toDouble() / 1024;
}

// Trace lines come all through start-up, so a long silence means it went wrong.
bool WaitForOutput(QProcess& process, const QByteArray& text)
{
    QByteArray seen;
    while (!seen.contains(text) && process.waitForReadyRead(int(kStartUpLimit.count())))
        seen += process.readAll();
    return seen.contains(text);
}

}  // namespace

Rows MeasureStartUp()
{
    StartUpTimes boardFirst;
    StartUpTimes silentFirst;
    for (int run = 0; run < kStartUpRuns; ++run) {  // in turns, so both meet the same load
        TimeOneStartUp(0, boardFirst);
        TimeOneStartUp(kSilentPorts, silentFirst);
    }
    Rows rows = StartUpRows(QStringLiteral("board on the first port"), boardFirst, 0);
    const Rows silentRows =
        StartUpRows(QStringLiteral("three silent ports first"), silentFirst, kSilentPorts * kPortTimeoutMs);
    rows.insert(rows.end(), silentRows.begin(), silentRows.end());
    return rows;
}

// With --trace the panel writes every exchange to standard error: 0xB0 shows start-up ended.
Rows MeasureIdle()
{
    QProcess panel;
    StartPanel(panel, {QStringLiteral("--simulate"), QStringLiteral("--trace")});
    if (!WaitForOutput(panel, "sent 0xB0"))
        throw std::runtime_error("no 0xB0 in the --simulate panel's trace");
    std::this_thread::sleep_for(1s);  // start-up's last repaints
    const double startUpMs = CpuMs(panel.processId());
    std::this_thread::sleep_for(std::chrono::seconds(kIdleSeconds));
    const double idleMs = CpuMs(panel.processId()) - startUpMs;
    const double residentMiB = ResidentMiB(panel.processId());
    KillPanel(panel);
    return {
        {QStringLiteral("Resident memory (VmRSS), idle panel, --simulate"),
         QStringLiteral("%1 MiB").arg(residentMiB, 0, 'f', 1)},
        {QStringLiteral("CPU while idle %1 s, --simulate").arg(kIdleSeconds),
         QStringLiteral("%1 (start-up used %2)").arg(Ms(idleMs, 3), Ms(startUpMs, 0)),
         {}, QStringLiteral("0 ms"), Met(idleMs == 0)},
    };
}

}  // namespace bench
