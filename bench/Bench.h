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
#include <condition_variable>
#include <mutex>
#include <optional>
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

// A board on a pseudo-terminal for the program under measurement (the tests' own), that
// notes when each byte value first came. An answering one sends ACK back at once, as the
// board does to the probe and the output commands; a silent one never answers.
class CTimedBoard {
public:
    explicit CTimedBoard(bool answering)
        : m_board([this, answering](quint8 byte) {
              {
                  std::lock_guard<std::mutex> lock(m_mutex);
                  if (!m_firstArrival[byte])
                      m_firstArrival[byte] = Clock::now();
              }
              m_arrived.notify_all();
              return answering ? QByteArray(1, char(board::ACK)) : QByteArray();
          })
    {
    }
    QString DevicePath() const { return m_board.DevicePath(); }
    std::optional<Clock::time_point> FirstArrival(quint8 byte, std::chrono::milliseconds limit)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_arrived.wait_for(lock, limit, [&] { return m_firstArrival[byte].has_value(); });
        return m_firstArrival[byte];
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::array<std::optional<Clock::time_point>, 256> m_firstArrival{};
    CPtyBoard m_board;  // last: its thread calls back into the members above
};

// Each throws std::runtime_error when it cannot measure.
Rows MeasureExchanges();
Rows MeasureCurrentWrites();
Rows MeasureCliSweep();
Rows MeasureScpiSweep();
Rows MeasureStartUp();
Rows MeasureIdle();

}  // namespace bench
