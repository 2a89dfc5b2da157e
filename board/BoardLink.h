// The serial link to the board and the board's command set.
//
// Every operation blocks the caller for the length of its exchanges, never throws, and
// returns what happened. Whether a failure ends the program is the caller's decision. What
// the link decides itself goes through its host: the one message (no board, or a byte of a
// write that was not acknowledged, after which the link closes the port) and the
// diagnostics (why ports were not taken, the trace). There is no retry.
#pragma once

#include "BoardHost.h"
#include "LineSettings.h"
#include "PortDevice.h"

#include <QStringList>
#include <memory>
#include <optional>

namespace board {

// A byte as the trace and the messages write it: "0x05".
QString Hex(int byte);

// One byte sent and the board's answer awaited. A board that stays silent gives a completed
// exchange without a reply, after the port's own time-out.
struct Exchange {
    enum class Outcome {
        Completed,
        Failed,    // the port reported an error, or gave no end in time; it stays usable
        PortLost,  // no port is open, the byte could not be sent, or the device went away
    };
    Outcome outcome = Outcome::PortLost;
    std::optional<quint8> reply;  // the byte that came back, if one did
    double roundTripMs = 0;       // from the send to the reply, or to the end of the wait for it

    bool Completed() const { return outcome == Outcome::Completed; }
    bool PortLost() const { return outcome == Outcome::PortLost; }
};

// A register written: the command byte and the value, each to be acknowledged.
enum class WriteOutcome {
    Acknowledged,
    NotAcknowledged,  // answered otherwise or not at all: the link has said so and closed the port
    PortLost,         // a byte could not be sent or the device went away; said and closed as well
};

// A current written as the panel writes it: the code into its register, then REGISTER_S
// read and written back with the byte read.
struct CurrentWrite {
    WriteOutcome code = WriteOutcome::PortLost;
    Exchange readOfS;
    // None when the read of REGISTER_S got no answer: there was nothing true to write back.
    std::optional<WriteOutcome> writeBack;

    // Whether the register and REGISTER_S both took their bytes.
    bool Done() const { return code == WriteOutcome::Acknowledged && writeBack == WriteOutcome::Acknowledged; }
};

// What the search for the board found.
struct PortSearch {
    QString port;         // where the board answered; empty when it answered nowhere
    QStringList reasons;  // for each port not taken, why: "COM4: no such device"
    bool Found() const { return !port.isEmpty(); }
};

// For a person: why a write failed, or an exchange that lost its port.
QString Describe(WriteOutcome outcome);
QString DescribeLostPort();

// What a person reads when no board was found: a heading, why each port was not taken,
// then what to try (listedPorts: the names of the ports the system lists).
QStringList NoBoardReport(const PortSearch& search, const QStringList& listedPorts);

class CBoardLink {
public:
    // Limits of one transfer, beyond the port's own 110 ms time-outs.
    static constexpr int kSendLimitMs = 2000;
    static constexpr int kReceiveLimitMs = 500;

    CBoardLink(CPortProvider& ports, IBoardHost& host);
    ~CBoardLink();

    // Serial port. A closed port is released with its line put back as it was found.
    std::optional<OpenFailure> OpenPort(const QString& name);
    Exchange ExchangeByte(int byte);
    void ClosePort();

    // Command set.
    WriteOutcome WriteRegister(int index, int value);
    Exchange ReadRegister(int index);
    // When the read of REGISTER_S gets no answer, REGISTER_S is left as the chip has it.
    CurrentWrite WriteCurrent(int index, int code);
    // Probes the candidates in order and leaves the board's port open; with no board, no
    // port is left open. Saying so is the caller's.
    PortSearch FindBoardPort(const QStringList& candidates);

    bool IsPortOpen() const { return m_port != nullptr; }
    QString OpenPortName() const { return m_portName; }
    // What the open port does to the latency of an answer; nothing known with none open.
    PortLatency Latency() const { return m_port ? m_port->Latency() : PortLatency(); }
    void SetTrace(bool on) { m_trace = on; }

private:
    enum class SendOutcome { Sent, Failed, PortLost };
    SendOutcome SendByte(int byte);
    bool CheckAck(const Exchange& exchange);
    void DropStrayInput();
    void Trace(const QString& what) const;
    void TraceExchange(int sent, bool sendFailed, const Exchange& exchange, const QByteArray& discarded) const;

    CPortProvider& m_ports;
    IBoardHost& m_host;
    // The open port; null while none is open, so that it can never be closed twice.
    std::unique_ptr<CPortDevice> m_port;
    QString m_portName;
    bool m_trace = false;
};

}  // namespace board
