// Linux shows both in sysfs: a port whose device sits on the USB bus is an adapter, and
// ftdi_sio gives its port a latency_timer file.
#include "AdapterLatency.h"

#include <QFile>
#include <QFileInfo>

namespace board {

AdapterFacts LookUpAdapter(const QString& location)
{
    // /dev/serial/by-id/... names lead to the device itself.
    const QString name = QFileInfo(QFileInfo(location).canonicalFilePath()).fileName();
    AdapterFacts facts;
    if (name.isEmpty())
        return facts;
    const QString device = QStringLiteral("/sys/class/tty/%1/device").arg(name);
    facts.usb = QFileInfo(device).canonicalFilePath().contains(QLatin1String("/usb"));
    QFile timer(device + QStringLiteral("/latency_timer"));
    bool isNumber = false;
    const int milliseconds = timer.open(QIODevice::ReadOnly) ? timer.readAll().trimmed().toInt(&isNumber) : 0;
    if (isNumber)
        facts.latencyTimerMs = milliseconds;
    return facts;
}

}  // namespace board
