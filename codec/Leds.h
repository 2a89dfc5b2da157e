// The six LEDs by name, as REGISTER_S holds them: bit k switches LED k of A1, A2, B1, B2,
// C1, C2. Every program reads and writes the names the same way.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace codec {

inline constexpr const char* kLedNames[6] = {"A1", "A2", "B1", "B2", "C1", "C2"};

// The names of the LEDs whose bits are set, in bit order.
QStringList LedsOn(int bits);

// REGISTER_S bits with exactly the named LEDs on, or why the names cannot be read.
struct LedsRead {
    std::optional<int> bits;
    QString error;  // "'D1' is not an LED: the LEDs are A1 A2 B1 B2 C1 C2, or none"
};
// names in any case; "none" alone switches every LED off.
LedsRead ReadLedNames(const QStringList& names);

}  // namespace codec
