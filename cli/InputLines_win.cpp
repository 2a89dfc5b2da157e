// Windows: the C++ stream, a line at a time.
#include "InputLines.h"

#include <iostream>
#include <string>

namespace cli {

std::optional<QString> CInputLines::Next()
{
    std::string line;
    if (!std::getline(std::cin, line))
        return std::nullopt;
    return QString::fromLocal8Bit(line.c_str()).remove(QLatin1Char('\r'));
}

}  // namespace cli
