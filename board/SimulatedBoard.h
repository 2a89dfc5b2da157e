// A board in software: it answers every byte as the real board does and keeps the chip's
// four registers. The link opens it through CSimulatedPortProvider like any serial port.
// Paced, it takes as long as the 9600-baud line and the port's time-outs would.
#pragma once

#include "PortDevice.h"

#include <QByteArray>
#include <QMap>
#include <array>
#include <chrono>
#include <memory>
#include <optional>

namespace board {

class CSimulatedBoard {
public:
    virtual ~CSimulatedBoard() = default;

    std::array<quint8, 4> registers{};  // REGISTER_A, _B, _C, _S
    bool outputOn = false;
    // Bytes as a 9600-baud line would take them, and silence as long as the port's time-out.
    bool realTime = false;

    // Every byte the board has received since it was made.
    const QByteArray& Received() const { return m_received; }
    int ReceivedCount() const { return static_cast<int>(m_received.size()); }
    void ClearReceived() { m_received.clear(); }
    bool IsOpen() const { return m_open; }
    int OpenCount() const { return m_openCount; }
    int CloseCount() const { return m_closeCount; }

protected:
    friend class CSimulatedPort;

    // A byte from the program arrives: the board takes it and puts its answer on the line.
    virtual TransferOutcome Take(quint8 byte, int limitMs);
    // The program reads one byte from the line; readTimeoutMs: the port's own time-out.
    virtual ReceiveResult Give(int readTimeoutMs);
    // The program drops whatever is on the line; what it dropped.
    virtual QByteArray Drop();

    // What the chip answers to a byte: ACK, or a register's value for a read.
    QByteArray Answer(quint8 byte);
    void Record(quint8 byte) { m_received.append(char(byte)); }
    // What waits on the line for the program.
    QByteArray m_toHost;

private:
    void Opened();
    void Closed();

    QByteArray m_received;
    int m_pendingWrite = -1;  // register whose value byte comes next
    std::chrono::steady_clock::time_point m_answerDue;  // paced: when the answer is on the line
    bool m_open = false;
    int m_openCount = 0;
    int m_closeCount = 0;
};

// The open port of a simulated board.
class CSimulatedPort : public CPortDevice {
public:
    explicit CSimulatedPort(std::shared_ptr<CSimulatedBoard> board);
    ~CSimulatedPort() override;

    std::optional<OpenFailure> Open(const LineSettings& settings, const CommTimeouts& timeouts) override;
    TransferOutcome Send(quint8 byte, int limitMs) override;
    ReceiveResult Receive(int limitMs) override;
    bool DiscardInput(QByteArray* dropped) override;
    void Close() override;

private:
    std::shared_ptr<CSimulatedBoard> m_board;
    CommTimeouts m_timeouts;
    bool m_open = false;
};

// Port names with simulated boards behind them; every other name does not exist.
class CSimulatedPortProvider : public CPortProvider {
public:
    // A board of the given kind (a test's may misbehave) on a port name.
    template <class Board = CSimulatedBoard>
    std::shared_ptr<Board> Attach(const QString& portName)
    {
        auto board = std::make_shared<Board>();
        m_boards.insert(portName, board);
        return board;
    }
    std::shared_ptr<CSimulatedBoard> Board(const QString& portName) const { return m_boards.value(portName); }
    std::unique_ptr<CPortDevice> MakeDevice(const QString& portName) override;
    QStringList ListedPorts() const override { return m_boards.keys(); }

private:
    QMap<QString, std::shared_ptr<CSimulatedBoard>> m_boards;
};

}  // namespace board
