// The bytes the program and the board say to each other. Every exchange is one byte
// sent by the program and one byte answered by the board.
#pragma once

#include <QString>

namespace board {

inline constexpr quint8 CMD_WRITE_REG = 0x80;   // | register index; the value byte follows
inline constexpr quint8 CMD_READ_REG = 0x90;    // | register index; answered with the value
inline constexpr quint8 CMD_PROBE = 0xBB;       // answered with ACK by a powered board
inline constexpr quint8 CMD_OUTPUT_ON = 0xB1;
inline constexpr quint8 CMD_OUTPUT_OFF = 0xB0;
inline constexpr quint8 ACK = 0x4B;             // 'K': the board took the byte

// Register indices; only the low two bits reach the wire.
inline constexpr int REGISTER_A = 0;
inline constexpr int REGISTER_B = 1;
inline constexpr int REGISTER_C = 2;
inline constexpr int REGISTER_S = 3;
inline constexpr int kRegisterIndexMask = 0x03;
// "A", "B", "C", "S" for REGISTER_A .. _S.
inline QString RegisterLetter(int index)
{
    return QString(QLatin1Char("ABCS"[index & kRegisterIndexMask]));
}

// REGISTER_S: bit k switches LED k of A1, A2, B1, B2, C1, C2 (codec's LED names); bits 6
// and 7 are not LEDs.
inline constexpr int kLedBitsMask = 0x3F;
// A channel pair counts as on while either of its two LED bits is set: A 0x03, B 0x0C, C 0x30.
inline constexpr int ChannelMask(int registerIndex)
{
    return 0x03 << (2 * registerIndex);
}

// The one message of the board link, double quotes included.
inline constexpr char kComErrorMessage[] = "\"COM Error\" or \"Power OFF\"";

}  // namespace board
