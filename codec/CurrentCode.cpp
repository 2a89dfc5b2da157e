#include "CurrentCode.h"

#include <cmath>

namespace codec {

double CurrentMilliamps(int code)
{
    return code * 0.5 + 0.5;
}

QString CurrentNumberText(int code)
{
    return QString::asprintf("%.1f", CurrentMilliamps(code));
}

bool CodeOfCurrent(double milliamps, int* code)
{
    const double steps = (milliamps - 0.5) / 0.5;
    if (!std::isfinite(steps) || steps != std::floor(steps) || steps < 0 || steps > kMaxCode)
        return false;
    *code = int(steps);
    return true;
}

}  // namespace codec
