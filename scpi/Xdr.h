// XDR, as ONC RPC encodes its messages (RFC 4506): big-endian 32-bit units, opaque data and
// strings as a length and the bytes padded to a multiple of four. The reader never reads past
// its data nor takes a length over the bound its caller gives: a short or oversized item
// leaves it failed, and every read of a failed reader gives 0, false or nothing. A structure
// is read whole, then Failed() says whether it was there.
#pragma once

#include <QByteArray>

namespace scpi {

class CXdrReader {
public:
    explicit CXdrReader(QByteArray data) : m_data(std::move(data)) {}

    quint32 Unsigned();
    qint32 Signed() { return qint32(Unsigned()); }
    bool Boolean();  // 0 or 1; any other value fails
    // A variable-length opaque or string of at most maxLength bytes, its padding skipped.
    QByteArray Opaque(quint32 maxLength);

    bool Failed() const { return m_failed; }
    // What is left unread; a well-formed message leaves nothing.
    qsizetype Left() const { return m_failed ? 0 : m_data.size() - m_position; }
    // The bytes not read yet, for a message whose body another reader takes.
    QByteArray Rest() const { return m_failed ? QByteArray() : m_data.mid(m_position); }

private:
    bool Take(qsizetype count);  // false, and failed, when fewer bytes are left

    QByteArray m_data;
    qsizetype m_position = 0;
    bool m_failed = false;
};

class CXdrWriter {
public:
    CXdrWriter& Unsigned(quint32 value);
    CXdrWriter& Signed(qint32 value) { return Unsigned(quint32(value)); }
    CXdrWriter& Boolean(bool value) { return Unsigned(value ? 1 : 0); }
    CXdrWriter& Opaque(const QByteArray& bytes);
    // Bytes already in XDR, such as a procedure's results.
    CXdrWriter& Raw(const QByteArray& bytes);

    const QByteArray& Data() const { return m_data; }

private:
    QByteArray m_data;
};

}  // namespace scpi
