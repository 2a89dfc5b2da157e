#include "FaultyBoard.h"

#include "BoardCommands.h"

using board::ReceiveResult;
using board::TransferOutcome;

namespace {

bool Reached(int from, int byteNumber)
{
    return from >= 0 && byteNumber >= from;
}

}  // namespace

// The chip's answer, changed as the faults say.
QByteArray CFaultyBoard::Misanswer(int number, quint8 byte)
{
    const bool read = (byte & ~board::kRegisterIndexMask) == board::CMD_READ_REG;
    QByteArray answer = Answer(byte);
    if (byte == board::CMD_PROBE && faults.probeAnswer)
        answer = QByteArray(1, char(*faults.probeAnswer));
    else if (!read && faults.ackReplacement && answer == QByteArray(1, char(board::ACK)))
        answer = QByteArray(1, char(*faults.ackReplacement));
    if (Reached(faults.silentFrom, number))
        return {};
    if (number == faults.wrongAnswerAt)
        answer = faults.wrongAnswer ? QByteArray(1, char(*faults.wrongAnswer)) : QByteArray();
    return answer.isEmpty() ? answer : answer + faults.extraAfterAnswer;
}

TransferOutcome CFaultyBoard::Take(quint8 byte, int)
{
    const int number = ReceivedCount();
    m_unplugged = m_unplugged || Reached(faults.unpluggedFrom, number);
    if (m_unplugged)
        return TransferOutcome::FailedAtOnce;
    if (Reached(faults.stuckFrom, number))
        return TransferOutcome::TimedOut;
    Record(byte);
    const QByteArray answer = Misanswer(number, byte);
    (Reached(faults.lateFrom, number) ? m_late : m_toHost) += answer;
    return TransferOutcome::Completed;
}

ReceiveResult CFaultyBoard::Give(int readTimeoutMs)
{
    if (m_unplugged)
        return {TransferOutcome::FailedAtOnce};
    return CSimulatedBoard::Give(readTimeoutMs);
}

// Answers that were late for their exchange arrive just after it has ended.
QByteArray CFaultyBoard::Drop()
{
    const QByteArray dropped = CSimulatedBoard::Drop();
    m_toHost += std::exchange(m_late, {});
    return dropped;
}
