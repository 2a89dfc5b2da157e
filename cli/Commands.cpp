#include "Commands.h"

#include "BoardCommands.h"
#include "BoardLink.h"
#include "CliHost.h"
#include "CurrentCode.h"

namespace cli {

namespace {

// The board must answer CMD_OUTPUT_ON and _OFF with ACK; the panel does not look.
void SwitchOutput(board::CBoardLink& link, const CCliHost& host, RunState& state, CommandResult& result)
{
    const bool on = result.command.kind == Command::Kind::On;
    const int byte = on ? board::CMD_OUTPUT_ON : board::CMD_OUTPUT_OFF;
    link.ExchangeByte(byte);
    if (host.LinkFailed())
        return;
    if (!link.m_bReplyReceived) {
        result.error = QStringLiteral("the board did not answer %1").arg(board::Hex(byte));
        return;
    }
    if (link.m_byReply != board::ACK) {
        result.error = QStringLiteral("the board answered %1 to %2 instead of %3 (ACK)")
                           .arg(board::Hex(link.m_byReply), board::Hex(byte), board::Hex(board::ACK));
        return;
    }
    state.outputOn = on;
    result.outputOn = on;
    result.done = true;
}

// Silence is a failure here, not a register holding 0.
bool ReadInto(board::CBoardLink& link, const CCliHost& host, int index, CommandResult& result)
{
    link.ReadRegister(index);
    if (host.LinkFailed())
        return false;
    if (!link.m_bReplyReceived) {
        result.error = QStringLiteral("the board did not answer the read of REGISTER_%1").arg(RegisterName(index));
        return false;
    }
    result.readings << RegisterReading{index, link.m_byReply};
    return true;
}

void WriteCurrent(board::CBoardLink& link, const CCliHost& host, CommandResult& result)
{
    link.WriteCurrent(result.command.registerIndex, result.command.value);
    if (host.LinkFailed())
        return;
    result.currentWritten = true;
    // The last exchange was the read of REGISTER_S, unanswered, when the link did not
    // write REGISTER_S back; else the acknowledged value byte of the write-back.
    if (!link.m_bReplyReceived) {
        result.error = QStringLiteral("code %1 (%2 mA) was written to %3, but REGISTER_S was not written back: "
                                      "the board did not answer its read")
                           .arg(result.command.value)
                           .arg(codec::CurrentNumberText(result.command.value), RegisterName(result.command.registerIndex));
        return;
    }
    result.done = true;
}

}  // namespace

CommandResult RunCommand(board::CBoardLink& link, const CCliHost& host, RunState& state, const Command& command)
{
    CommandResult result;
    result.command = command;
    switch (command.kind) {
    case Command::Kind::On:
    case Command::Kind::Off:
        SwitchOutput(link, host, state, result);
        break;
    case Command::Kind::Leds:
        link.WriteRegister(board::REGISTER_S, command.value);
        result.done = !host.LinkFailed();
        break;
    case Command::Kind::Read:
        result.done = ReadInto(link, host, command.registerIndex, result);
        break;
    case Command::Kind::Set:
        WriteCurrent(link, host, result);
        break;
    case Command::Kind::Status:
        result.outputOn = state.outputOn;
        result.done = true;
        for (int index : {board::REGISTER_S, board::REGISTER_A, board::REGISTER_B, board::REGISTER_C})
            result.done = result.done && ReadInto(link, host, index, result);
        break;
    case Command::Kind::Ports:
        result.ports = board::ListSerialPorts();
        result.done = true;
        break;
    case Command::Kind::Unknown:
        break;  // refused when read
    }
    if (!result.done && result.error.isEmpty())
        result.error = host.WhyLinkFailed();
    return result;
}

CommandResult Refusal(const Command& command)
{
    CommandResult result;
    result.command = command;
    result.error = command.error;
    return result;
}

QString RegisterName(int index)
{
    return QString(QLatin1Char("ABCS"[index & board::kRegisterIndexMask]));
}

}  // namespace cli
