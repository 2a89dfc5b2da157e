#include "RpcRecords.h"

#include <QtEndian>

namespace scpi {

namespace {

constexpr quint32 kLastFragment = 0x80000000u;

}  // namespace

QList<QByteArray> CRecordAssembler::Take(const QByteArray& data)
{
    QList<QByteArray> records;
    qsizetype at = 0;
    while (!m_broken && at < data.size()) {
        if (!m_inFragment) {
            const qsizetype needed = std::min<qsizetype>(4 - m_header.size(), data.size() - at);
            m_header.append(data.constData() + at, needed);
            at += needed;
            if (m_header.size() < 4)
                break;
            const quint32 header = qFromBigEndian<quint32>(m_header.constData());
            m_header.clear();
            m_lastFragment = (header & kLastFragment) != 0;
            m_fragmentLeft = qsizetype(header & ~kLastFragment);
            m_inFragment = true;
            if (m_fragmentLeft > m_maxRecord - m_record.size()) {
                m_broken = true;
                break;
            }
        }
        const qsizetype taken = std::min(m_fragmentLeft, data.size() - at);
        m_record.append(data.constData() + at, taken);
        at += taken;
        m_fragmentLeft -= taken;
        if (m_fragmentLeft > 0)
            break;
        m_inFragment = false;
        if (m_lastFragment)
            records << std::exchange(m_record, {});
    }
    return records;
}

QByteArray RecordMarked(const QByteArray& record)
{
    char header[4];
    qToBigEndian(kLastFragment | quint32(record.size()), header);
    return QByteArray(header, 4) + record;
}

}  // namespace scpi
