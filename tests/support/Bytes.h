// Bytes as the tests write them: Bytes({0x80, 0x05}).
#pragma once

#include <QByteArray>
#include <initializer_list>

inline QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int value : values)
        bytes.append(char(value));
    return bytes;
}
