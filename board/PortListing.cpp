#include "PortListing.h"

#include "AdapterLatency.h"

#include <QRegularExpression>
#include <QSerialPortInfo>
#include <algorithm>

namespace board {

namespace {

QString OrDash(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("-") : text;
}

}  // namespace

bool NaturalLess(const QString& a, const QString& b)
{
    int i = 0;
    int j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            int endA = i;
            int endB = j;
            while (endA < a.size() && a.at(endA).isDigit())
                ++endA;
            while (endB < b.size() && b.at(endB).isDigit())
                ++endB;
            const qulonglong numberA = a.mid(i, endA - i).toULongLong();
            const qulonglong numberB = b.mid(j, endB - j).toULongLong();
            if (numberA != numberB)
                return numberA < numberB;
            i = endA;
            j = endB;
            continue;
        }
        if (a.at(i) != b.at(j))
            return a.at(i) < b.at(j);
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

QString UsbId(const SerialPortEntry& port)
{
    if (!port.vendorId || !port.productId)
        return {};
    const auto hex = [](int id) { return QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0')); };
    return hex(*port.vendorId) + QLatin1Char(':') + hex(*port.productId);
}

QString LockFileName(const QString& location)
{
    QString device = location;
    if (device.startsWith(QLatin1String("/dev/")))
        device.remove(0, 5);
    return QStringLiteral("LCK..") + device.replace(QLatin1Char('/'), QLatin1Char('_'));
}

QList<SerialPortEntry> SystemSerialPorts()
{
    QList<SerialPortEntry> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SerialPortEntry entry;
        entry.name = info.portName();
        entry.location = info.systemLocation();
        entry.description = info.description();
        entry.manufacturer = info.manufacturer();
        if (info.hasVendorIdentifier() && info.hasProductIdentifier()) {
            entry.vendorId = info.vendorIdentifier();
            entry.productId = info.productIdentifier();
        }
        entry.serialNumber = info.serialNumber();
        entry.latencyTimerMs = LookUpAdapter(entry.location).latencyTimerMs;
        ports << entry;
    }
    std::sort(ports.begin(), ports.end(),
              [](const SerialPortEntry& a, const SerialPortEntry& b) { return NaturalLess(a.name, b.name); });
    return ports;
}

QList<SerialPortEntry> ListSerialPorts()
{
    QList<SerialPortEntry> ports = SystemSerialPorts();
    for (SerialPortEntry& port : ports)
        port.holder = PortHolder(port.location);
    return ports;
}

QStringList FormatPortListing(const QList<SerialPortEntry>& ports)
{
    if (ports.isEmpty())
        return {QStringLiteral("No serial ports found.")};
    QList<QStringList> rows;
    for (const SerialPortEntry& port : ports) {
        rows << QStringList{port.name, port.location, OrDash(port.description), OrDash(port.manufacturer),
                            OrDash(UsbId(port)), OrDash(port.serialNumber),
                            port.latencyTimerMs ? QStringLiteral("latency %1 ms").arg(*port.latencyTimerMs) : QStringLiteral("-"),
                            port.holder.isEmpty() ? QStringLiteral("free") : QStringLiteral("in use by ") + port.holder};
    }
    QList<int> widths(rows.front().size(), 0);
    for (const QStringList& row : rows) {
        for (int column = 0; column < row.size(); ++column)
            widths[column] = std::max(widths[column], int(row.at(column).size()));
    }
    QStringList lines;
    for (const QStringList& row : rows) {
        QString line;
        for (int column = 0; column < row.size() - 1; ++column)
            line += row.at(column).leftJustified(widths[column] + 2);
        lines << line + row.back();
    }
    return lines;
}

QStringList OtherComPorts(const QList<SerialPortEntry>& listed)
{
    static const QRegularExpression comName(QStringLiteral("^COM([0-9]+)$"), QRegularExpression::CaseInsensitiveOption);
    QStringList others;
    for (const SerialPortEntry& port : listed) {
        const QRegularExpressionMatch match = comName.match(port.name);
        if (!match.hasMatch() || match.captured(1).toInt() <= 4)
            continue;
        if (port.description.contains(QLatin1String("Bluetooth"), Qt::CaseInsensitive)
            || port.manufacturer.contains(QLatin1String("Bluetooth"), Qt::CaseInsensitive))
            continue;
        others << port.name.toUpper();
    }
    std::sort(others.begin(), others.end(), NaturalLess);
    return others;
}

QStringList DefaultCandidatePorts(const QString& deviceDir)
{
    QStringList candidates{QStringLiteral("COM4"), QStringLiteral("COM3"), QStringLiteral("COM2"), QStringLiteral("COM1")};
    candidates << UsbAdapterPorts(deviceDir);
    return candidates;
}

}  // namespace board
