#include "BoardLink.h"

#include "BoardCommands.h"

namespace board {

namespace {

QString Hex(int byte)
{
    return QStringLiteral("0x") + QStringLiteral("%1").arg(byte & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

CBoardLink::CBoardLink(CPortProvider& ports, IBoardHost& host) : m_ports(ports), m_host(host) {}

// A port left open when the panel ends is released with the process, as the system would.
CBoardLink::~CBoardLink() = default;

bool CBoardLink::OpenPort(const QString& name)
{
    ClosePort();
    m_timeouts = CCommTimeouts();
    m_dcb = CLineSettings();
    std::unique_ptr<CPortDevice> device = m_ports.MakeDevice(name);
    m_strOpenFailure.clear();
    if (!device || !device->Open(m_dcb, m_timeouts, &m_strOpenFailure))
        return false;
    m_hComm = std::move(device);
    m_strPortName = name;
    return true;
}

bool CBoardLink::SendByte(int byte)
{
    // With no port open the write cannot start.
    if (!m_hComm) {
        m_host.CancelPanel();
        return false;
    }
    switch (m_hComm->Send(static_cast<quint8>(byte), kSendLimitMs)) {
    case TransferOutcome::Completed:
        return true;
    case TransferOutcome::FinishedWithFailure:
        return false;
    case TransferOutcome::FailedAtOnce:
    case TransferOutcome::TimedOut:
        break;
    }
    m_host.CancelPanel();
    return false;
}

bool CBoardLink::ExchangeByte(int byte)
{
    m_byReply = 0;
    if (!SendByte(byte)) {
        TraceExchange(byte, true, false);
        return false;
    }
    const ReceiveResult received = m_hComm->Receive(kReceiveLimitMs);
    if (received.gotByte)
        m_byReply = received.byte;
    // The device went away while the answer was awaited: the panel cannot go on, just as
    // when a byte cannot be sent, instead of taking the missing answer for a silent 0.
    if (received.outcome == TransferOutcome::FailedAtOnce)
        m_host.CancelPanel();
    bool ok = false;
    // Input is discarded only after a completed receive, so a byte that arrives late
    // waits for the next exchange and is taken as its reply.
    if (received.outcome == TransferOutcome::Completed)
        ok = m_hComm->DiscardInput();
    TraceExchange(byte, false, received.gotByte);
    return ok;
}

void CBoardLink::ClosePortAndQuit()
{
    ClosePort();
    m_host.RequestQuit();
}

void CBoardLink::WriteRegister(int index, int value)
{
    ExchangeByte(CMD_WRITE_REG | (index & kRegisterIndexMask));
    CheckAck();
    ExchangeByte(value);
    CheckAck();
}

void CBoardLink::ReadRegister(int index)
{
    ExchangeByte(CMD_READ_REG | (index & kRegisterIndexMask));
}

void CBoardLink::CheckAck()
{
    // A closed port means the failure has been reported already.
    if (!m_hComm)
        return;
    if (m_byReply == ACK)
        return;
    m_host.ShowBoardMessage(QString::fromLatin1(kComErrorMessage));
    ClosePortAndQuit();
}

void CBoardLink::FindBoardPort(const QStringList& candidates)
{
    QStringList reasons;
    for (const QString& name : candidates) {
        if (!OpenPort(name)) {
            reasons << QStringLiteral("%1: %2").arg(m_ports.DescribePort(name), m_strOpenFailure);
            continue;
        }
        const bool completed = ExchangeByte(CMD_PROBE);
        if (completed && m_byReply == ACK)
            return;
        QString why;
        if (!completed)
            why = QStringLiteral("opened, but the probe could not be exchanged");
        else if (m_byReply == 0)
            why = QStringLiteral("opened, but nothing answered the probe");
        else
            why = QStringLiteral("opened, but answered %1 instead of %2").arg(Hex(m_byReply), Hex(ACK));
        reasons << QStringLiteral("%1: %2").arg(m_ports.DescribePort(name), why);
        ClosePort();
    }
    m_host.WriteDiagnostic(QStringLiteral("No LDX7320 board found:"));
    for (const QString& reason : reasons)
        m_host.WriteDiagnostic(QStringLiteral("  ") + reason);
    m_host.ShowBoardMessage(QString::fromLatin1(kComErrorMessage));
    ClosePortAndQuit();
}

void CBoardLink::ClosePort()
{
    if (!m_hComm)
        return;
    m_hComm->Close();
    m_hComm.reset();
}

void CBoardLink::TraceExchange(int sent, bool sendFailed, bool gotReply) const
{
    if (!m_bTrace)
        return;
    QString line = QStringLiteral("%1  sent %2  ").arg(m_strPortName, Hex(sent));
    if (sendFailed)
        line += QStringLiteral("send failed");
    else
        line += QStringLiteral("received %1").arg(gotReply ? Hex(m_byReply) : QStringLiteral("none"));
    m_host.WriteDiagnostic(line);
}

}  // namespace board
