// What the system says of the adapter behind a serial port: whether it is a USB one, and
// the latency timer of its driver where there is one (FTDI's). Any user may read both.
#pragma once

#include <QString>
#include <optional>

namespace board {

struct AdapterFacts {
    bool usb = false;
    std::optional<int> latencyTimerMs;
};

// location: "COM7" on Windows, a device path such as "/dev/ttyUSB0" elsewhere.
AdapterFacts LookUpAdapter(const QString& location);

}  // namespace board
