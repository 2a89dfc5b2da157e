#include "RpcMessage.h"

#include "Xdr.h"

namespace scpi {

namespace {

constexpr quint32 kCall = 0;
constexpr quint32 kReply = 1;
constexpr quint32 kAccepted = 0;
constexpr quint32 kDenied = 1;
constexpr quint32 kRpcMismatch = 0;
constexpr quint32 kAuthError = 1;
constexpr quint32 kBadCredentials = 1;
constexpr quint32 kAuthNone = 0;

// An opaque_auth: its flavour and body, both ignored here.
bool SkipAuth(CXdrReader& reader)
{
    reader.Unsigned();
    reader.Opaque(kMaxAuthLength);
    return !reader.Failed();
}

CXdrWriter& NoVerifier(CXdrWriter& writer)
{
    return writer.Unsigned(kAuthNone).Opaque({});
}

CXdrWriter ReplyHead(quint32 xid, quint32 how)
{
    CXdrWriter writer;
    writer.Unsigned(xid).Unsigned(kReply).Unsigned(how);
    return writer;
}

}  // namespace

CallRead ReadCall(const QByteArray& record)
{
    CXdrReader reader(record);
    RpcCall call;
    call.xid = reader.Unsigned();
    const quint32 type = reader.Unsigned();
    if (reader.Failed() || type != kCall)
        return {};
    const quint32 rpcVersion = reader.Unsigned();
    if (!reader.Failed() && rpcVersion != kRpcVersion)
        return {std::nullopt, RpcMismatchReply(call.xid)};
    call.program = reader.Unsigned();
    call.version = reader.Unsigned();
    call.procedure = reader.Unsigned();
    reader.Unsigned();  // the credentials' flavour
    if (reader.Opaque(quint32(record.size())).size() > qsizetype(kMaxAuthLength))
        return {std::nullopt, BadCredentialsReply(call.xid)};
    if (!SkipAuth(reader))  // the verifier; and whether all before it was there
        return {std::nullopt, AcceptedReply(call.xid, AcceptStatus::GarbageArguments)};
    call.arguments = reader.Rest();
    return {call, {}};
}

QByteArray SuccessReply(quint32 xid, const QByteArray& results)
{
    CXdrWriter writer = ReplyHead(xid, kAccepted);
    return NoVerifier(writer).Unsigned(quint32(AcceptStatus::Success)).Raw(results).Data();
}

QByteArray AcceptedReply(quint32 xid, AcceptStatus status)
{
    CXdrWriter writer = ReplyHead(xid, kAccepted);
    return NoVerifier(writer).Unsigned(quint32(status)).Data();
}

QByteArray ProgramMismatchReply(quint32 xid, quint32 lowest, quint32 highest)
{
    CXdrWriter writer = ReplyHead(xid, kAccepted);
    return NoVerifier(writer).Unsigned(quint32(AcceptStatus::ProgramMismatch)).Unsigned(lowest).Unsigned(highest).Data();
}

QByteArray RpcMismatchReply(quint32 xid)
{
    return ReplyHead(xid, kDenied).Unsigned(kRpcMismatch).Unsigned(kRpcVersion).Unsigned(kRpcVersion).Data();
}

QByteArray BadCredentialsReply(quint32 xid)
{
    return ReplyHead(xid, kDenied).Unsigned(kAuthError).Unsigned(kBadCredentials).Data();
}

QByteArray CallMessage(quint32 xid, quint32 program, quint32 version, quint32 procedure, const QByteArray& arguments)
{
    CXdrWriter writer;
    writer.Unsigned(xid).Unsigned(kCall).Unsigned(kRpcVersion).Unsigned(program).Unsigned(version).Unsigned(procedure);
    NoVerifier(NoVerifier(writer)).Raw(arguments);
    return writer.Data();
}

std::optional<QByteArray> ReadSuccessReply(const QByteArray& record, quint32 xid)
{
    CXdrReader reader(record);
    const bool answered = reader.Unsigned() == xid && reader.Unsigned() == kReply && reader.Unsigned() == kAccepted;
    if (!answered || !SkipAuth(reader) || reader.Unsigned() != quint32(AcceptStatus::Success) || reader.Failed())
        return std::nullopt;
    return reader.Rest();
}

}  // namespace scpi
