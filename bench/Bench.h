// What the benchmark's parts share: the line's wire times, the table's rows, a few
// statistics, and the boards behind pseudo-terminals.
#pragma once

#include "BoardCommands.h"
#include "PtyBoard.h"

#include <QString>
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

// 9600 baud 8N1: ten bits a byte; an exchange is one byte each way.
inline constexpr double kExchangeWireMs = 2 * 10.0 / 9600.0 * 1000.0;
inline constexpr double kCurrentWriteWireMs = 5 * kExchangeWireMs;
inline constexpr int kPortTimeoutMs = 110;

// Reference: what the wire or the time-outs alone take. Empty cells print as "-".
struct Row {
    QString measure, result, reference = {}, goal = {}, met = {};
};
using Rows = std::vector<Row>;

// Nearest rank: the smallest sample with at least percent of the samples at or below it.
inline double Percentile(std::vector<double> values, double percent)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const double rank = std::clamp(std::ceil(percent / 100 * double(values.size())), 1.0, double(values.size()));
    return values[size_t(rank) - 1];
}

inline double Median(const std::vector<double>& values) { return Percentile(values, 50); }

inline double MsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

inline double MsSince(Clock::time_point start) { return MsBetween(start, Clock::now()); }
inline QString Ms(double value, int decimals = 1) { return QStringLiteral("%1 ms").arg(value, 0, 'f', decimals); }
inline QString Met(bool reached) { return reached ? QStringLiteral("yes") : QStringLiteral("no"); }

// Boards on pseudo-terminals for the program under measurement: one that answers every
// byte with ACK at once, as the board does to the probe and the output commands, and one
// that never answers.
inline QByteArray AnswerAck(quint8) { return QByteArray(1, char(board::ACK)); }
inline QByteArray AnswerNothing(quint8) { return {}; }

// Each throws std::runtime_error when it cannot measure.
Rows MeasureExchanges();
Rows MeasureCurrentWrites();
Rows MeasureCliSweep();
Rows MeasureScpiSweep();
Rows MeasureStartUp();
Rows MeasureIdle();

}  // namespace bench
