#include "SimulatedBoard.h"

#include "BoardCommands.h"

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

}  // namespace

QByteArray CSimulatedBoard::Answer(quint8 byte)
{
    if (m_pendingWrite >= 0) {
        registers[m_pendingWrite] = byte;
        m_pendingWrite = -1;
        return QByteArray(1, char(ACK));
    }
    switch (byte) {
    case CMD_PROBE:
        return QByteArray(1, char(ACK));
    case CMD_OUTPUT_ON:
    case CMD_OUTPUT_OFF:
        outputOn = byte == CMD_OUTPUT_ON;
        return QByteArray(1, char(ACK));
    default:
        break;
    }
    if ((byte & ~kRegisterIndexMask) == CMD_WRITE_REG) {
        m_pendingWrite = byte & kRegisterIndexMask;
        return QByteArray(1, char(ACK));
    }
    if ((byte & ~kRegisterIndexMask) == CMD_READ_REG)
        return QByteArray(1, char(registers[byte & kRegisterIndexMask]));
    return {};  // a byte the board does not know goes unanswered
}

TransferOutcome CSimulatedBoard::Take(quint8 byte, int)
{
    if (realTime) {
        // The answer is timed from when the sent byte was due, so that sleeping late
        // does not add up over an exchange.
        const Clock::time_point sent = Clock::now() + kByteTime;
        SleepUntil(sent);
        m_answerDue = sent + kByteTime;
    }
    Record(byte);
    m_toHost += Answer(byte);
    return TransferOutcome::Completed;
}

ReceiveResult CSimulatedBoard::Give(int readTimeoutMs)
{
    if (m_toHost.isEmpty()) {
        // Nothing came: the port's own time-out ends the read, which counts as completed.
        if (realTime)
            std::this_thread::sleep_for(std::chrono::milliseconds(readTimeoutMs));
        return {TransferOutcome::Completed};
    }
    if (realTime)
        SleepUntil(m_answerDue);
    const quint8 byte = static_cast<quint8>(m_toHost.at(0));
    m_toHost.remove(0, 1);
    return {TransferOutcome::Completed, true, byte};
}

QByteArray CSimulatedBoard::Drop()
{
    return std::exchange(m_toHost, {});
}

void CSimulatedBoard::Opened()
{
    m_open = true;
    m_toHost.clear();
    ++m_openCount;
}

void CSimulatedBoard::Closed()
{
    m_open = false;
    ++m_closeCount;
}

CSimulatedPort::CSimulatedPort(std::shared_ptr<CSimulatedBoard> board) : m_board(std::move(board)) {}

CSimulatedPort::~CSimulatedPort()
{
    Close();
}

std::optional<OpenFailure> CSimulatedPort::Open(const LineSettings&, const CommTimeouts& timeouts)
{
    if (m_board->IsOpen())
        return OpenFailure{OpenFailure::Reason::InUse, {}};
    m_timeouts = timeouts;
    m_board->Opened();
    m_open = true;
    return std::nullopt;
}

TransferOutcome CSimulatedPort::Send(quint8 byte, int limitMs)
{
    return m_open ? m_board->Take(byte, limitMs) : TransferOutcome::FailedAtOnce;
}

ReceiveResult CSimulatedPort::Receive(int)
{
    if (!m_open)
        return {TransferOutcome::FailedAtOnce};
    return m_board->Give(m_timeouts.OneByteReadMs());
}

bool CSimulatedPort::DiscardInput(QByteArray* dropped)
{
    if (!m_open)
        return false;
    const QByteArray waiting = m_board->Drop();
    if (dropped)
        *dropped = waiting;
    return true;
}

void CSimulatedPort::Close()
{
    if (!m_open)
        return;
    m_open = false;
    m_board->Closed();
}

namespace {

class CMissingPort : public CPortDevice {
public:
    std::optional<OpenFailure> Open(const LineSettings&, const CommTimeouts&) override
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
