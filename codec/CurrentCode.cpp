#include "CurrentCode.h"

#include <cmath>

namespace codec {

namespace {

constexpr double kStepMilliamps = 0.5;
constexpr double kLowestMilliamps = 0.5;

}  // namespace

double CurrentMilliamps(int code)
{
    return code * kStepMilliamps + kLowestMilliamps;
}

QString CurrentNumberText(int code)
{
    return QString::asprintf("%.1f", CurrentMilliamps(code));
}

QString AmperesText(int code)
{
    return QString::asprintf("%.2E", CurrentMilliamps(code) / 1000);
}

std::optional<int> CodeOfMilliamps(double milliamps)
{
    const double steps = (milliamps - kLowestMilliamps) / kStepMilliamps;
    const double code = std::round(steps);
    if (!std::isfinite(steps) || std::abs(steps - code) > 1e-6 || code < 0 || code > kMaxCode)
        return std::nullopt;
    return int(code);
}

QString NotAStepWords(const QString& given)
{
    return QStringLiteral("%1 is not one of the 64 steps: %2 mA to %3 mA in steps of %4 mA")
        .arg(given, CurrentNumberText(0), CurrentNumberText(kMaxCode))
        .arg(kStepMilliamps);
}

QString CodeOutOfRangeWords(const QString& given)
{
    return QStringLiteral("code %1 is out of range: 0 to %2").arg(given).arg(kMaxCode);
}

}  // namespace codec
