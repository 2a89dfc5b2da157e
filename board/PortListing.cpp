#include "PortListing.h"

#include "AdapterLatency.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <algorithm>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace board {

namespace {

QString OrDash(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("-") : text;
}


#ifndef Q_OS_WIN
QString ProcessName(qint64 pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(comm.readAll()).trimmed();
}

QString DescribeProcess(qint64 pid)
{
    const QString name = ProcessName(pid);
    return name.isEmpty() ? QStringLiteral("pid %1").arg(pid) : QStringLiteral("%1 (pid %2)").arg(name).arg(pid);
}

bool ProcessAlive(qint64 pid)
{
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

// A lock file holds its program's pid, in one of these folders.
QString LockFileHolder(const QString& location)
{
    const QString lockName = LockFileName(location);
    const QStringList folders{QStringLiteral("/var/lock"), QStringLiteral("/etc/locks"),
                              QStringLiteral("/var/spool/locks"), QStringLiteral("/var/spool/uucp"), QDir::tempPath()};
    for (const QString& folder : folders) {
        QFile lock(folder + QLatin1Char('/') + lockName);
        if (!lock.open(QIODevice::ReadOnly))
            continue;
        const qint64 pid = QString::fromLatin1(lock.readLine()).trimmed().toLongLong();
        if (ProcessAlive(pid) && pid != ::getpid())
            return DescribeProcess(pid);
    }
    return {};
}

// On Linux every open file of a process shows in /proc/<pid>/fd; only the processes
// this user may inspect are seen.
QString OpenFileHolder(const QString& location)
{
    const QString device = QFileInfo(location).canonicalFilePath();
    if (device.isEmpty())
        return {};
    const QStringList processes = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& process : processes) {
        const qint64 pid = process.toLongLong();  // 0 for "self" and the other names
        if (pid <= 0 || pid == ::getpid())
            continue;
        const QDir descriptors(QStringLiteral("/proc/%1/fd").arg(process));
        for (const QFileInfo& descriptor : descriptors.entryInfoList(QDir::System | QDir::NoDotAndDotDot)) {
            if (descriptor.symLinkTarget() == device)
                return DescribeProcess(pid);
        }
    }
    return {};
}
#endif

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

QString PortHolder(const QString& location)
{
#ifdef Q_OS_WIN
    // Windows opens a COM port exclusively: a second open is refused while it is held.
    const std::wstring path = QStringLiteral("\\\\.\\%1").arg(location).toStdWString();
    const HANDLE port = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE)
        return ::GetLastError() == ERROR_ACCESS_DENIED ? QStringLiteral("another program") : QString();
    CloseHandle(port);
    return {};
#else
    const QString locked = LockFileHolder(location);
    return locked.isEmpty() ? OpenFileHolder(location) : locked;
#endif
}

QString DeviceGroup(const QString& location)
{
#ifdef Q_OS_WIN
    Q_UNUSED(location);
    return {};
#else
    struct stat info {};
    if (::stat(QFile::encodeName(location).constData(), &info) != 0)
        return {};
    const struct group* owner = ::getgrgid(info.st_gid);
    return owner ? QString::fromLocal8Bit(owner->gr_name) : QString::number(info.st_gid);
#endif
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
#if defined(Q_OS_WIN)
    Q_UNUSED(deviceDir)
    candidates << OtherComPorts(SystemSerialPorts());
#else
#if defined(Q_OS_MACOS)
    const QStringList adapterNames{QStringLiteral("cu.usbserial*"), QStringLiteral("cu.usbmodem*")};
#else
    const QStringList adapterNames{QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")};
#endif
    QStringList adapters = QDir(deviceDir).entryList(adapterNames, QDir::Files | QDir::System);
    std::sort(adapters.begin(), adapters.end(), NaturalLess);
    for (const QString& adapter : adapters)
        candidates << QDir(deviceDir).filePath(adapter);
#endif
    return candidates;
}

}  // namespace board
