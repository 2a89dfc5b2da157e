// A board in software: it answers every byte as the real board does, keeps the chip's
// four registers, records every byte it receives, and can be told to misbehave.
// The link opens it through CSimulatedPortProvider like any serial port.
#pragma once

#include "PortDevice.h"

#include <QByteArray>
#include <QMap>
#include <array>
#include <chrono>
#include <memory>
#include <optional>

namespace board {

// Fault modes. Byte numbers count every byte the board has received since it was made,
// from 0; -1 switches a mode off.
struct CSimulatedFaults {
    int silentFrom = -1;               // no answer to this byte or any later one
    int unpluggedFrom = -1;            // this send and every later one fails at once
    int stuckFrom = -1;                // this send and every later one never finishes
    int wrongAnswerAt = -1;            // this one byte is answered with wrongAnswer,
    std::optional<quint8> wrongAnswer = quint8(0);  // or not at all when it is empty
    std::optional<quint8> ackReplacement;  // every ACK is replaced by this byte
    std::optional<quint8> probeAnswer;     // the answer to the probe, when not ACK
    QByteArray extraAfterAnswer;       // sent right behind every answer
    int lateFrom = -1;                 // answers arrive only after their exchange has ended
};

class CSimulatedBoard {
public:
    std::array<quint8, 4> registers{};  // REGISTER_A, _B, _C, _S
    bool outputOn = false;
    CSimulatedFaults faults;
    // Pace bytes as a 9600-baud line would, and let silence cost the port's time-out.
    bool realTime = false;

    const QByteArray& Received() const { return m_received; }
    int ReceivedCount() const { return static_cast<int>(m_received.size()); }
    void ClearReceived() { m_received.clear(); }
    // Bytes the board sends without being asked; they wait to be received.
    void SendUnasked(const QByteArray& bytes) { m_toHost += bytes; }
    bool IsOpen() const { return m_open; }
    int OpenCount() const { return m_openCount; }
    int CloseCount() const { return m_closeCount; }

private:
    friend class CSimulatedPort;
    void TakeByte(quint8 byte);
    QByteArray Answer(quint8 byte);

    QByteArray m_received;
    QByteArray m_toHost;        // answers waiting to be received
    QByteArray m_late;          // answers that arrive after their exchange
    int m_pendingWrite = -1;    // register whose value byte comes next
    std::chrono::steady_clock::time_point m_answerDue;  // paced: when the answer is on the line
    bool m_open = false;
    bool m_unplugged = false;   // a send has found the board gone
    int m_openCount = 0;
    int m_closeCount = 0;
};

// The open port of a simulated board.
class CSimulatedPort : public CPortDevice {
public:
    explicit CSimulatedPort(std::shared_ptr<CSimulatedBoard> board);
    ~CSimulatedPort() override;

    std::optional<OpenFailure> Open(const CLineSettings& settings, const CCommTimeouts& timeouts) override;
    TransferOutcome Send(quint8 byte, int limitMs) override;
    ReceiveResult Receive(int limitMs) override;
    bool DiscardInput(QByteArray* dropped) override;
    void Close() override;

private:
    std::shared_ptr<CSimulatedBoard> m_board;
    CCommTimeouts m_timeouts;
    bool m_open = false;
};

// Port names with simulated boards behind them; every other name does not exist.
class CSimulatedPortProvider : public CPortProvider {
public:
    std::shared_ptr<CSimulatedBoard> Attach(const QString& portName);
    std::shared_ptr<CSimulatedBoard> Board(const QString& portName) const { return m_boards.value(portName); }
    std::unique_ptr<CPortDevice> MakeDevice(const QString& portName) override;
    QStringList ListedPorts() const override { return m_boards.keys(); }

private:
    QMap<QString, std::shared_ptr<CSimulatedBoard>> m_boards;
};

}  // namespace board
