// Bytes as the tests write them: Bytes({0x80, 0x05}), and the frames the board hears most.
#pragma once

#include "BoardCommands.h"

#include <QByteArray>
#include <initializer_list>

inline QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int value : values)
        bytes.append(char(value));
    return bytes;
}

// A current write as every program sends it: the register's command byte and the code, a
// read of REGISTER_S, and REGISTER_S written back with registerS, the byte that read gave.
inline QByteArray CurrentWrite(int registerIndex, int code, int registerS)
{
    return Bytes({0x80 | registerIndex, code, 0x93, 0x83, registerS});
}
