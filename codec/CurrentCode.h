// Current codes: the 6-bit value of REGISTER_A, _B and _C, and the drive current it
// stands for, 0.5 mA for code 0 to 32.0 mA for code 63 in steps of 0.5 mA.
#pragma once

#include <QString>

namespace codec {

inline constexpr int kMaxCode = 63;
// What a register read yields: its low six bits.
inline constexpr int kCodeMask = 0x3F;

double CurrentMilliamps(int code);

// The current as the panel shows it: one decimal, "0.5" .. "32.0".
QString CurrentNumberText(int code);

// The code of a current given in mA, when it is exactly one of the 64 steps.
bool CodeOfCurrent(double milliamps, int* code);

}  // namespace codec
