#include "RpcDispatch.h"

#include <algorithm>

namespace scpi {

namespace {

constexpr quint32 kNullProcedure = 0;

}  // namespace

void Answer(const RpcCall& call, const RpcRespond& respond, const std::optional<QByteArray>& results)
{
    respond(results ? SuccessReply(call.xid, *results) : AcceptedReply(call.xid, AcceptStatus::GarbageArguments));
}

void Dispatch(const QByteArray& record, const QList<RpcProgram>& programs, const RpcRespond& respond)
{
    const CallRead read = ReadCall(record);
    if (!read.call)
        return respond(read.reply);
    const RpcCall& call = *read.call;
    const auto program = std::find_if(programs.begin(), programs.end(), [&call](const RpcProgram& p) { return p.number == call.program; });
    if (program == programs.end())
        respond(AcceptedReply(call.xid, AcceptStatus::ProgramUnavailable));
    else if (program->version != call.version)
        respond(ProgramMismatchReply(call.xid, program->version, program->version));
    else if (call.procedure == kNullProcedure)
        respond(SuccessReply(call.xid, {}));
    else if (!program->answer(call, respond))
        respond(AcceptedReply(call.xid, AcceptStatus::ProcedureUnavailable));
}

}  // namespace scpi
