// PortListing.h's PortHolder and DeviceGroup off Windows: lock files, the processes'
// open files in /proc, the device's group.
#include "PortListing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace board {

namespace {

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

}  // namespace

QString PortHolder(const QString& location)
{
    const QString locked = LockFileHolder(location);
    return locked.isEmpty() ? OpenFileHolder(location) : locked;
}

QString DeviceGroup(const QString& location)
{
    struct stat info {};
    if (::stat(QFile::encodeName(location).constData(), &info) != 0)
        return {};
    const struct group* owner = ::getgrgid(info.st_gid);
    return owner ? QString::fromLocal8Bit(owner->gr_name) : QString::number(info.st_gid);
}

}  // namespace board
