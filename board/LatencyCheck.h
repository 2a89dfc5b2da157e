// How long the board's answers take to come back, next to the wire's own time, and what on
// this port is the likely cause when they take longer.
#pragma once

#include "BoardLink.h"

#include <QList>

namespace board {

inline constexpr int kLatencyProbes = 20;

// A byte each way, ten bits each (8N1), at the line's speed: 2.08 ms at 9600 baud.
double WireMsPerExchange(qint32 baudRate = LineSettings().BaudRate);

struct LatencyCheck {
    QList<double> roundTripsMs;       // of the probes acknowledged, in order
    QString failure;  // why the probe that ended the check was not acknowledged; empty when none was
    double MedianMs() const;
    double LongestMs() const;
};

// Probes the board count times: the probe changes nothing on the board.
LatencyCheck CheckLatency(CBoardLink& link, int count = kLatencyProbes);

// What a person can do when the median is more than a millisecond above the wire; empty
// when it is not.
QString LatencyAdvice(double medianMs, double wireMs, const PortLatency& port);

}  // namespace board
