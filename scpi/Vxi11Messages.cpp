#include "Vxi11Messages.h"

#include "Xdr.h"

namespace scpi {

namespace {

// What was read, when all of it was there and nothing more.
template <typename Parms>
std::optional<Parms> Whole(const CXdrReader& reader, const Parms& parms)
{
    return reader.Failed() || reader.Left() > 0 ? std::nullopt : std::optional<Parms>(parms);
}

}  // namespace

std::optional<CreateLinkParms> DecodeCreateLink(const QByteArray& arguments)
{
    CXdrReader reader(arguments);
    CreateLinkParms parms;
    parms.clientId = reader.Signed();
    parms.lockDevice = reader.Boolean();
    parms.lockTimeout = reader.Unsigned();
    parms.device = reader.Opaque(kMaxDeviceName);
    return Whole(reader, parms);
}

std::optional<WriteParms> DecodeWrite(const QByteArray& arguments)
{
    CXdrReader reader(arguments);
    WriteParms parms;
    parms.link = reader.Signed();
    parms.ioTimeout = reader.Unsigned();
    parms.lockTimeout = reader.Unsigned();
    parms.flags = reader.Signed();
    parms.data = reader.Opaque(kMaxRecvSize);
    return Whole(reader, parms);
}

std::optional<ReadParms> DecodeRead(const QByteArray& arguments)
{
    CXdrReader reader(arguments);
    ReadParms parms;
    parms.link = reader.Signed();
    parms.requestSize = reader.Unsigned();
    parms.ioTimeout = reader.Unsigned();
    parms.lockTimeout = reader.Unsigned();
    parms.flags = reader.Signed();
    parms.termChar = char(reader.Unsigned());  // a char travels as a 32-bit unit
    return Whole(reader, parms);
}

std::optional<LinkParms> DecodeGeneric(const QByteArray& arguments)
{
    CXdrReader reader(arguments);
    LinkParms parms;
    parms.link = reader.Signed();
    parms.flags = reader.Signed();
    parms.lockTimeout = reader.Unsigned();
    parms.ioTimeout = reader.Unsigned();
    return Whole(reader, parms);
}

std::optional<LinkParms> DecodeLock(const QByteArray& arguments)
{
    CXdrReader reader(arguments);
    LinkParms parms;
    parms.link = reader.Signed();
    parms.flags = reader.Signed();
    parms.lockTimeout = reader.Unsigned();
    return Whole(reader, parms);
}

std::optional<LinkParms> DecodeLink(const QByteArray& arguments)
{
    CXdrReader reader(arguments);
    LinkParms parms;
    parms.link = reader.Signed();
    return Whole(reader, parms);
}

QByteArray CreateLinkResult(qint32 error, qint32 link, quint16 abortPort)
{
    return CXdrWriter().Signed(error).Signed(link).Unsigned(abortPort).Unsigned(kMaxRecvSize).Data();
}

QByteArray WriteResult(qint32 error, quint32 size)
{
    return CXdrWriter().Signed(error).Unsigned(size).Data();
}

QByteArray ReadResult(qint32 error, qint32 reason, const QByteArray& data)
{
    return CXdrWriter().Signed(error).Signed(reason).Opaque(data).Data();
}

QByteArray ReadStbResult(qint32 error, int statusByte)
{
    return CXdrWriter().Signed(error).Unsigned(quint32(statusByte) & 0xFF).Data();
}

QByteArray DocmdResult(qint32 error)
{
    return CXdrWriter().Signed(error).Opaque({}).Data();
}

QByteArray ErrorResult(qint32 error)
{
    return CXdrWriter().Signed(error).Data();
}

}  // namespace scpi
