// A simulated board that can be told to misbehave, for the tests: silent, unplugged, stuck,
// a wrong answer, answers that come late or with bytes behind them. Byte numbers count every
// byte the board has received since it was made, from 0; -1 switches a fault off.
#pragma once

#include "SimulatedBoard.h"

#include <QByteArray>
#include <optional>

struct SimulatedFaults {
    int silentFrom = -1;                            // no answer to this byte or any later one
    int unpluggedFrom = -1;                         // this send and every later one fails at once
    int stuckFrom = -1;                             // this send and every later one never finishes
    int wrongAnswerAt = -1;                         // this one byte is answered with wrongAnswer,
    std::optional<quint8> wrongAnswer = quint8(0);  // or not at all when it is empty
    std::optional<quint8> ackReplacement;           // every ACK is replaced by this byte
    std::optional<quint8> probeAnswer;              // the answer to the probe, when not ACK
    QByteArray extraAfterAnswer;                    // sent right behind every answer
    int lateFrom = -1;                              // answers arrive only after their exchange has ended
};

class CFaultyBoard : public board::CSimulatedBoard {
public:
    SimulatedFaults faults;

    // Bytes the board sends without being asked; they wait to be received.
    void SendUnasked(const QByteArray& bytes) { m_toHost += bytes; }

protected:
    board::TransferOutcome Take(quint8 byte, int limitMs) override;
    board::ReceiveResult Give(int readTimeoutMs) override;
    QByteArray Drop() override;

private:
    QByteArray Misanswer(int number, quint8 byte);

    QByteArray m_late;         // answers that arrive after their exchange
    bool m_unplugged = false;  // a send has found the board gone
};
