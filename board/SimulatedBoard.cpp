#include "SimulatedBoard.h"

#include "BoardCommands.h"

#include <chrono>
#include <thread>

namespace board {

namespace {

using Clock = std::chrono::steady_clock;

// One byte of 10 bits at 9600 baud.
constexpr std::chrono::microseconds kByteTime(1042);

// A sleep may end early where the system's timer counts whole milliseconds (MinGW's
// sleep on Windows), and a byte is not one: the time is looked at again.
void SleepUntil(Clock::time_point due)
{
    while (Clock::now() < due)
        std::this_thread::sleep_until(due);
}

bool Reached(int from, int byteNumber)
{
    return from >= 0 && byteNumber >= from;
}

}  // namespace

QByteArray CSimulatedBoard::Answer(quint8 byte)
{
    const quint8 ack = faults.ackReplacement.value_or(ACK);
    if (m_pendingWrite >= 0) {
        registers[m_pendingWrite] = byte;
        m_pendingWrite = -1;
        return QByteArray(1, char(ack));
    }
    switch (byte) {
    case CMD_PROBE:
        return QByteArray(1, char(faults.probeAnswer.value_or(ack)));
    case CMD_OUTPUT_ON:
    case CMD_OUTPUT_OFF:
        outputOn = byte == CMD_OUTPUT_ON;
        return QByteArray(1, char(ack));
    default:
        break;
    }
    if ((byte & ~kRegisterIndexMask) == CMD_WRITE_REG) {
        m_pendingWrite = byte & kRegisterIndexMask;
        return QByteArray(1, char(ack));
    }
    if ((byte & ~kRegisterIndexMask) == CMD_READ_REG)
        return QByteArray(1, char(registers[byte & kRegisterIndexMask]));
    return {};  // a byte the board does not know goes unanswered
}

void CSimulatedBoard::TakeByte(quint8 byte)
{
    const int number = ReceivedCount();
    m_received.append(char(byte));
    QByteArray answer = Answer(byte);
    if (Reached(faults.silentFrom, number))
        return;
    if (number == faults.wrongAnswerAt)
        answer = faults.wrongAnswer ? QByteArray(1, char(*faults.wrongAnswer)) : QByteArray();
    if (answer.isEmpty())
        return;
    answer += faults.extraAfterAnswer;
    if (Reached(faults.lateFrom, number))
        m_late += answer;
    else
        m_toHost += answer;
}

CSimulatedPort::CSimulatedPort(std::shared_ptr<CSimulatedBoard> board) : m_board(std::move(board)) {}

CSimulatedPort::~CSimulatedPort()
{
    if (m_open)
        m_board->m_open = false;
}

std::optional<OpenFailure> CSimulatedPort::Open(const CLineSettings&, const CCommTimeouts& timeouts)
{
    if (m_board->m_open)
        return OpenFailure{OpenFailure::Reason::InUse, {}};
    m_timeouts = timeouts;
    m_board->m_open = true;
    m_board->m_toHost.clear();
    m_board->m_late.clear();
    ++m_board->m_openCount;
    m_open = true;
    return std::nullopt;
}

TransferOutcome CSimulatedPort::Send(quint8 byte, int limitMs)
{
    CSimulatedBoard& board = *m_board;
    const int number = board.ReceivedCount();
    if (Reached(board.faults.unpluggedFrom, number))
        board.m_unplugged = true;
    if (!m_open || board.m_unplugged)
        return TransferOutcome::FailedAtOnce;
    if (Reached(board.faults.stuckFrom, number)) {
        if (board.realTime)
            std::this_thread::sleep_for(std::chrono::milliseconds(limitMs));
        return TransferOutcome::TimedOut;
    }
    if (board.realTime) {
        // The answer is timed from when the sent byte was due, so that sleeping late
        // does not add up over an exchange.
        const Clock::time_point sent = Clock::now() + kByteTime;
        SleepUntil(sent);
        board.m_answerDue = sent + kByteTime;
    }
    board.TakeByte(byte);
    return TransferOutcome::Completed;
}

ReceiveResult CSimulatedPort::Receive(int)
{
    CSimulatedBoard& board = *m_board;
    if (!m_open || board.m_unplugged)
        return {TransferOutcome::FailedAtOnce};
    if (board.m_toHost.isEmpty()) {
        // Nothing came: the port's own time-out ends the read, which counts as completed.
        if (board.realTime)
            std::this_thread::sleep_for(std::chrono::milliseconds(m_timeouts.OneByteReadMs()));
        return {TransferOutcome::Completed};
    }
    if (board.realTime)
        SleepUntil(board.m_answerDue);
    const quint8 byte = static_cast<quint8>(board.m_toHost.at(0));
    board.m_toHost.remove(0, 1);
    return {TransferOutcome::Completed, true, byte};
}

bool CSimulatedPort::DiscardInput(QByteArray* dropped)
{
    CSimulatedBoard& board = *m_board;
    if (dropped)
        *dropped = board.m_toHost;
    board.m_toHost.clear();
    // Answers that were late for their exchange arrive just after it has ended.
    board.m_toHost += board.m_late;
    board.m_late.clear();
    return m_open;
}

void CSimulatedPort::Close()
{
    if (!m_open)
        return;
    m_open = false;
    m_board->m_open = false;
    ++m_board->m_closeCount;
}

std::shared_ptr<CSimulatedBoard> CSimulatedPortProvider::Attach(const QString& portName)
{
    auto board = std::make_shared<CSimulatedBoard>();
    m_boards.insert(portName, board);
    return board;
}

namespace {

class CMissingPort : public CPortDevice {
public:
    std::optional<OpenFailure> Open(const CLineSettings&, const CCommTimeouts&) override
    {
        return OpenFailure{OpenFailure::Reason::NoSuchDevice, {}};
    }
    TransferOutcome Send(quint8, int) override { return TransferOutcome::FailedAtOnce; }
    ReceiveResult Receive(int) override { return {TransferOutcome::FailedAtOnce}; }
    bool DiscardInput(QByteArray*) override { return false; }
    void Close() override {}
};

}  // namespace

std::unique_ptr<CPortDevice> CSimulatedPortProvider::MakeDevice(const QString& portName)
{
    const auto board = m_boards.value(portName);
    if (!board)
        return std::make_unique<CMissingPort>();
    return std::make_unique<CSimulatedPort>(board);
}

}  // namespace board
