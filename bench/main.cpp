// ldx7320_bench: what the panel's link, a current write, a sweep through ldx7320-cli and
// through ldx7320-scpi with PyVISA,
// start-up and the idle panel cost next to the 9600-baud line and the port's time-outs.
// Prints one Markdown table on standard output. Opens only pseudo-terminals it made.
// Takes no arguments.
#include "Bench.h"

#include <QApplication>
#include <QFile>
#include <QThread>
#include <cstdio>
#include <stdexcept>

namespace {

// Other work on the machine slows every row.
void PrintMachine()
{
    QFile loadFile(QStringLiteral("/proc/loadavg"));
    const QByteArray load = loadFile.open(QIODevice::ReadOnly) ? loadFile.readAll().split(' ').first() : "?";
    std::printf("Machine: %d CPUs, load average %s at the start; Qt %s.\n\n", QThread::idealThreadCount(),
                load.constData(), qVersion());
}

QString Cell(QString text)
{
    return text.isEmpty() ? QStringLiteral("-") : text.replace(QLatin1Char('|'), QLatin1Char('/'));
}

void PrintTable(const std::vector<bench::Rows>& parts)
{
    std::printf("| Measure | Result | Wire time / time-outs | Goal | Met |\n|---|---|---|---|---|\n");
    for (const bench::Rows& rows : parts) {
        for (const bench::Row& row : rows) {
            std::printf("| %s | %s | %s | %s | %s |\n", qPrintable(Cell(row.measure)), qPrintable(Cell(row.result)),
                        qPrintable(Cell(row.reference)), qPrintable(Cell(row.goal)), qPrintable(Cell(row.met)));
        }
    }
}

}  // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");  // for the panel here and every one started
    QApplication application(argc, argv);
    PrintMachine();
    try {
        // A braced list runs the parts in this order.
        PrintTable({bench::MeasureExchanges(), bench::MeasureCurrentWrites(), bench::MeasureCliSweep(),
                    bench::MeasureScpiSweep(), bench::MeasureStartUp(), bench::MeasureIdle()});
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ldx7320_bench: cannot measure: %s\n", error.what());
        return 1;
    }
    return 0;
}
