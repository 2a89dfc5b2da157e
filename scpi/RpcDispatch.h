// Which program answers an RPC call. Every program here has one version; procedure 0, the
// null call that rpcinfo and clients use to ping, is answered for each of them here.
#pragma once

#include "RpcMessage.h"

#include <QList>
#include <functional>

namespace scpi {

// Sends a reply message, now or later; an empty one is none: the call goes unanswered.
using RpcRespond = std::function<void(const QByteArray& reply)>;

struct RpcProgram {
    quint32 number = 0;
    quint32 version = 0;
    // Answers a call of a procedure other than 0 through respond; false when the program has
    // no such procedure.
    std::function<bool(const RpcCall& call, const RpcRespond& respond)> answer;
};

// Answers a call with its results, or as garbage when its arguments did not decode.
void Answer(const RpcCall& call, const RpcRespond& respond, const std::optional<QByteArray>& results);

// Answers the record as a call to one of programs, through respond, once; a record that is
// no call, or has no transaction id, with nothing.
void Dispatch(const QByteArray& record, const QList<RpcProgram>& programs, const RpcRespond& respond);

}  // namespace scpi
