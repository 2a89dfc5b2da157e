#include "Xdr.h"

#include <QtEndian>

namespace scpi {

namespace {

qsizetype Padded(qsizetype length)
{
    return (length + 3) & ~qsizetype(3);
}

}  // namespace

bool CXdrReader::Take(qsizetype count)
{
    if (m_failed || count > m_data.size() - m_position) {
        m_failed = true;
        return false;
    }
    m_position += count;
    return true;
}

quint32 CXdrReader::Unsigned()
{
    const qsizetype at = m_position;
    return Take(4) ? qFromBigEndian<quint32>(m_data.constData() + at) : 0;
}

bool CXdrReader::Boolean()
{
    const quint32 value = Unsigned();
    m_failed |= value > 1;
    return !m_failed && value == 1;
}

QByteArray CXdrReader::Opaque(quint32 maxLength)
{
    const quint32 length = Unsigned();
    m_failed |= length > maxLength;
    const qsizetype at = m_position;
    return Take(Padded(length)) ? m_data.mid(at, length) : QByteArray();
}

CXdrWriter& CXdrWriter::Unsigned(quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    m_data.append(bytes, 4);
    return *this;
}

CXdrWriter& CXdrWriter::Opaque(const QByteArray& bytes)
{
    Unsigned(quint32(bytes.size()));
    m_data.append(bytes);
    m_data.append(Padded(bytes.size()) - bytes.size(), '\0');
    return *this;
}

CXdrWriter& CXdrWriter::Raw(const QByteArray& bytes)
{
    m_data.append(bytes);
    return *this;
}

}  // namespace scpi
