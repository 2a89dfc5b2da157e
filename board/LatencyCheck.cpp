#include "LatencyCheck.h"

#include "BoardCommands.h"
#include "PlatformAdvice.h"

#include <algorithm>

namespace board {

double WireMsPerExchange(qint32 baudRate)
{
    return 2 * 10 * 1000.0 / baudRate;
}

double LatencyCheck::MedianMs() const
{
    if (roundTripsMs.isEmpty())
        return 0;
    QList<double> sorted = roundTripsMs;
    std::sort(sorted.begin(), sorted.end());
    const qsizetype middle = sorted.size() / 2;
    return sorted.size() % 2 ? sorted.at(middle) : (sorted.at(middle - 1) + sorted.at(middle)) / 2;
}

double LatencyCheck::LongestMs() const
{
    return roundTripsMs.isEmpty() ? 0 : *std::max_element(roundTripsMs.begin(), roundTripsMs.end());
}

LatencyCheck CheckLatency(CBoardLink& link, int count)
{
    LatencyCheck check;
    for (int sent = 0; sent < count; ++sent) {
        const Exchange probe = link.ExchangeByte(CMD_PROBE);
        const BoardResult taken = link.CheckAck(probe, CMD_PROBE);
        if (!taken.Done()) {
            check.failure = taken.words;
            break;
        }
        check.roundTripsMs << probe.roundTripMs;
    }
    return check;
}

// The causes in the order they are likely: what the port says it does first.
QString LatencyAdvice(double medianMs, double wireMs, const PortLatency& port)
{
    if (medianMs - wireMs <= 1)
        return {};
    if (port.fifoTriggerBytes && *port.fifoTriggerBytes > 1)
        return FifoTriggerAdvice(*port.fifoTriggerBytes);
    if (port.adapterLatencyTimerMs && *port.adapterLatencyTimerMs > 1)
        return AdapterLatencyAdvice(port.adapterLatencyTimerMs);
    if (port.usbAdapter && !port.adapterLatencyTimerMs)
        return AdapterLatencyAdvice(std::nullopt);
    return QStringLiteral("the port passes answers on at once as far as it tells: the board itself answers late");
}

}  // namespace board
