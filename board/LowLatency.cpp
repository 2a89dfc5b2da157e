#include "LowLatency.h"

#ifdef Q_OS_LINUX
#include <cerrno>
#include <cstring>
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace board {

#ifdef Q_OS_LINUX

LowLatencyRequest RequestLowLatency(qintptr descriptor)
{
    LowLatencyRequest request;
    serial_struct info {};
    if (::ioctl(int(descriptor), TIOCGSERIAL, &info) != 0) {
        request.note = QStringLiteral("low-latency mode not available: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return request;
    }
    request.previousFlags = info.flags;
    info.flags |= ASYNC_LOW_LATENCY;
    if (::ioctl(int(descriptor), TIOCSSERIAL, &info) != 0) {
        request.note = QStringLiteral("low-latency mode refused: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return request;
    }
    request.changed = true;
    request.note = QStringLiteral("low-latency mode on");
    return request;
}

void UndoLowLatency(qintptr descriptor, const LowLatencyRequest& request)
{
    if (!request.changed)
        return;
    serial_struct info {};
    if (::ioctl(int(descriptor), TIOCGSERIAL, &info) != 0)
        return;
    info.flags = (info.flags & ~ASYNC_LOW_LATENCY) | (request.previousFlags & ASYNC_LOW_LATENCY);
    ioctl(int(descriptor), TIOCSSERIAL, &info);
}

#else

// Elsewhere the latency is the driver's setting (on Windows the adapter's "latency
// timer" in its advanced port settings).
LowLatencyRequest RequestLowLatency(qintptr)
{
    return {};
}

void UndoLowLatency(qintptr, const LowLatencyRequest&) {}

#endif

}  // namespace board
