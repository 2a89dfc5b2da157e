// Current codes: the 6-bit value of REGISTER_A, _B and _C, and the drive current it
// stands for, 0.5 mA for code 0 to 32.0 mA for code 63 in steps of 0.5 mA. Every program
// reads and writes currents by these rules.
#pragma once

#include <QString>
#include <optional>

namespace codec {

inline constexpr int kMaxCode = 63;
// What a register read yields: its low six bits.
inline constexpr int kCodeMask = 0x3F;

double CurrentMilliamps(int code);

// The current as the panel shows it: one decimal, "0.5" .. "32.0".
QString CurrentNumberText(int code);
// In amperes, as SCPI writes a number (NR3): 12.5 mA is "1.25E-02".
QString AmperesText(int code);

// The code of a current in mA when it is one of the 64 steps. Within a millionth of a step
// counts: amperes written in decimal are seldom exact in binary (0.0125 A).
std::optional<int> CodeOfMilliamps(double milliamps);

// Why a current or a code given as text cannot be written.
QString NotAStepWords(const QString& given);       // "12.3 mA is not one of the 64 steps: ..."
QString CodeOutOfRangeWords(const QString& given);  // "code 64 is out of range: 0 to 63"

}  // namespace codec
