// The serial link to the board and the board's command set.
//
// Every operation blocks the caller for the length of its exchanges, never throws, and
// returns what happened, with its words for a person. Whether a failure ends the program,
// and how the words are shown, is the caller's decision; the port stays open until the
// caller closes it. Only the trace goes to the link's host. There is no retry.
#pragma once

#include "BoardHost.h"
#include "BoardResult.h"
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

// What a person reads when no board was found: a heading, why each port was not taken,
// then what to try (listedPorts: the names of the ports the system lists).
QStringList NoBoardReport(const QStringList& reasons, const QStringList& listedPorts);

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
    // Whether the board took a byte it must acknowledge; when not, why not.
    BoardResult CheckAck(const Exchange& exchange, int byte) const;

    // Command set. A write stops at its first byte the board does not acknowledge.
    BoardResult SwitchOutput(bool on);
    BoardResult WriteRegister(int index, int value);
    BoardResult ReadRegister(int index);
    // The register, then REGISTER_S read and written back with the byte read; when that
    // read gets no answer, REGISTER_S is left as the chip has it.
    BoardResult WriteCurrent(int index, int code);
    // Probes the candidates in order and leaves the board's port open; with no board, no
    // port is left open.
    BoardResult FindBoardPort(const QStringList& candidates);

    bool IsPortOpen() const { return m_port != nullptr; }
    QString OpenPortName() const { return m_portName; }
    // What the open port does to the latency of an answer; nothing known with none open.
    PortLatency Latency() const { return m_port ? m_port->Latency() : PortLatency(); }
    void SetTrace(bool on) { m_trace = on; }

private:
    enum class SendOutcome { Sent, Failed, PortLost };
    SendOutcome SendByte(int byte);
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
