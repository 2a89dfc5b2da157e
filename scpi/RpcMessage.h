// ONC RPC's call and reply messages (RFC 5531, version 2). Credentials and verifiers are
// read within their bound and ignored: AUTH_NONE and AUTH_SYS alike, as this server trusts
// whoever reaches it. Replies carry an AUTH_NONE verifier.
#pragma once

#include <QByteArray>
#include <optional>

namespace scpi {

inline constexpr quint32 kRpcVersion = 2;
inline constexpr quint32 kMaxAuthLength = 400;  // an opaque_auth's body

// An accepted call's outcome.
enum class AcceptStatus : quint32 { Success = 0, ProgramUnavailable = 1, ProgramMismatch = 2, ProcedureUnavailable = 3, GarbageArguments = 4 };

struct RpcCall {
    quint32 xid = 0;
    quint32 program = 0;
    quint32 version = 0;
    quint32 procedure = 0;
    QByteArray arguments;  // still in XDR, for the procedure to read
};

// A record read as a call: the call, or else the reply a malformed call gets (none when the
// record has no transaction id to answer, or is no call).
struct CallRead {
    std::optional<RpcCall> call;
    QByteArray reply;
};
CallRead ReadCall(const QByteArray& record);

QByteArray SuccessReply(quint32 xid, const QByteArray& results);
// An accepted call that did not run: the program, procedure or arguments were wrong.
QByteArray AcceptedReply(quint32 xid, AcceptStatus status);
QByteArray ProgramMismatchReply(quint32 xid, quint32 lowest, quint32 highest);
// Denied: another RPC version than 2.
QByteArray RpcMismatchReply(quint32 xid);
// Denied: credentials over their bound.
QByteArray BadCredentialsReply(quint32 xid);

// The client's side, for the system's portmapper: a call with AUTH_NONE, and a reply's
// results when it is the successful answer to that xid.
QByteArray CallMessage(quint32 xid, quint32 program, quint32 version, quint32 procedure, const QByteArray& arguments);
std::optional<QByteArray> ReadSuccessReply(const QByteArray& record, quint32 xid);

}  // namespace scpi
