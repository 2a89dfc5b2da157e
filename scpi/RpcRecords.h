// ONC RPC's record marking on a stream (RFC 5531, section 11): each record is sent as
// fragments, each behind a four-byte header of its length and, in the top bit, whether it is
// the record's last. A record over the bound the assembler is given breaks the stream: its
// length cannot be trusted, nor anything after it.
#pragma once

#include <QByteArray>
#include <QList>

namespace scpi {

class CRecordAssembler {
public:
    explicit CRecordAssembler(qsizetype maxRecord) : m_maxRecord(maxRecord) {}

    // The records that data completes. Once broken, nothing more comes out.
    QList<QByteArray> Take(const QByteArray& data);
    bool Broken() const { return m_broken; }

private:
    qsizetype m_maxRecord;
    QByteArray m_header;    // a fragment header's bytes so far
    QByteArray m_record;    // the record's fragments so far
    qsizetype m_fragmentLeft = 0;
    bool m_lastFragment = false;
    bool m_inFragment = false;
    bool m_broken = false;
};

// A record as one last fragment.
QByteArray RecordMarked(const QByteArray& record);

}  // namespace scpi
