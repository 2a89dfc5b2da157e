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

std::optional<quint32> CXdrReader::Unsigned()
{
    const qsizetype at = m_position;
    if (!Take(4))
        return std::nullopt;
    return qFromBigEndian<quint32>(m_data.constData() + at);
}

std::optional<qint32> CXdrReader::Signed()
{
    const std::optional<quint32> value = Unsigned();
    return value ? std::optional<qint32>(qint32(*value)) : std::nullopt;
}

std::optional<bool> CXdrReader::Boolean()
{
    const std::optional<quint32> value = Unsigned();
    if (value && *value > 1)
        m_failed = true;
    return m_failed ? std::nullopt : std::optional<bool>(*value == 1);
}

std::optional<QByteArray> CXdrReader::Opaque(quint32 maxLength)
{
    const std::optional<quint32> length = Unsigned();
    if (length && *length > maxLength)
        m_failed = true;
    const qsizetype at = m_position;
    if (m_failed || !Take(Padded(*length)))
        return std::nullopt;
    return m_data.mid(at, *length);
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
