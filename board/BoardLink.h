// The serial link to the board and the board's command set.
//
// Every operation blocks the caller for the length of its exchanges and never throws.
// Failures towards the board end the program through the host: a failed send cancels the
// panel, a byte that is not acknowledged or a missing board is reported once and the
// program's end is requested. There is no retry.
#pragma once

#include "BoardHost.h"
#include "LineSettings.h"
#include "PortDevice.h"

#include <QStringList>
#include <memory>

namespace board {

// A byte as the trace and the messages write it: "0x05".
QString Hex(int byte);

class CBoardLink {
public:
    // Limits of one transfer, beyond the port's own 110 ms time-outs.
    static constexpr int kSendLimitMs = 2000;
    static constexpr int kReceiveLimitMs = 500;

    CBoardLink(CPortProvider& ports, IBoardHost& host);
    ~CBoardLink();

    // Serial port.
    bool OpenPort(const QString& name);
    bool SendByte(int byte);
    bool ExchangeByte(int byte);
    void ClosePortAndQuit();

    // Command set.
    void WriteRegister(int index, int value);
    void ReadRegister(int index);
    // Writes a current code into register index, then reads REGISTER_S and writes back
    // the value read. When that read gets no answer there is nothing true to write back,
    // and REGISTER_S is left as the chip has it.
    void WriteCurrent(int index, int code);
    void CheckAck();
    // Probes the candidates in order; leaves the board's port open, or reports and quits.
    void FindBoardPort(const QStringList& candidates);

    bool IsPortOpen() const { return m_hComm != nullptr; }
    QString OpenPortName() const { return m_strPortName; }
    void SetTrace(bool on) { m_bTrace = on; }

    // The byte received by the last exchange; 0 when none arrived.
    quint8 m_byReply = 0;
    // Whether the last exchange received a byte at all (a silent board leaves
    // m_byReply at 0, which is also a value a register can hold).
    bool m_bReplyReceived = false;

private:
    void ClosePort();
    void DropStrayInput();
    void Trace(const QString& what) const;
    void TraceExchange(int sent, bool sendFailed, bool gotReply, const QByteArray& discarded) const;

    CPortProvider& m_ports;
    IBoardHost& m_host;
    CLineSettings m_dcb;
    CCommTimeouts m_timeouts;
    // The open port; null while none is open, so it can never be closed twice. QSerialPort
    // tells of received bytes itself: there is no separate receive event to keep.
    std::unique_ptr<CPortDevice> m_hComm;
    QString m_strPortName;
    QString m_strOpenFailure;              // why the last OpenPort failed, for a person
    bool m_bTrace = false;
};

}  // namespace board
