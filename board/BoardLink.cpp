#include "BoardLink.h"

#include "BoardCommands.h"

namespace board {

QString Hex(int byte)
{
    return QStringLiteral("0x") + QStringLiteral("%1").arg(byte & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

namespace {

QString HexBytes(const QByteArray& bytes)
{
    QStringList hex;
    for (char byte : bytes)
        hex << Hex(quint8(byte));
    return hex.join(QLatin1Char(' '));
}

}  // namespace

CBoardLink::CBoardLink(CPortProvider& ports, IBoardHost& host) : m_ports(ports), m_host(host) {}

// A port left open when the panel ends is released with the process, as the system would.
CBoardLink::~CBoardLink() = default;

// Only the search opens ports, and it closes each one it does not keep before the next.
bool CBoardLink::OpenPort(const QString& name)
{
    m_timeouts = CCommTimeouts();
    m_dcb = CLineSettings();
    std::unique_ptr<CPortDevice> device = m_ports.MakeDevice(name);
    m_strOpenFailure.clear();
    if (!device || !device->Open(m_dcb, m_timeouts, &m_strOpenFailure))
        return false;
    m_hComm = std::move(device);
    m_strPortName = name;
    if (!m_hComm->OpenNote().isEmpty())
        Trace(m_hComm->OpenNote());
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
    m_bReplyReceived = false;
    DropStrayInput();
    if (!SendByte(byte)) {
        TraceExchange(byte, true, false, {});
        return false;
    }
    const ReceiveResult received = m_hComm->Receive(kReceiveLimitMs);
    if (received.gotByte)
        m_byReply = received.byte;
    m_bReplyReceived = received.gotByte;
    // The device went away while the answer was awaited: the panel cannot go on, just as
    // when a byte cannot be sent, instead of taking the missing answer for a silent 0.
    if (received.outcome == TransferOutcome::FailedAtOnce)
        m_host.CancelPanel();
    bool ok = false;
    QByteArray discarded;
    // Whatever came behind the reply belongs to no command.
    if (received.outcome == TransferOutcome::Completed)
        ok = m_hComm->DiscardInput(&discarded);
    TraceExchange(byte, false, received.gotByte, discarded);
    return ok;
}

// A byte waiting before a command is sent was never asked for by it: a reply that came
// after its own exchange gave up, or a byte the board sent unasked. Taken as this
// command's reply it would show a wrong value, or be taken for an acknowledgement.
void CBoardLink::DropStrayInput()
{
    if (!m_hComm)
        return;
    QByteArray dropped;
    m_hComm->DiscardInput(&dropped);
    if (!dropped.isEmpty())
        Trace(QStringLiteral("dropped %1, which arrived between exchanges").arg(HexBytes(dropped)));
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

void CBoardLink::WriteCurrent(int index, int code)
{
    WriteRegister(index, code);
    ReadRegister(REGISTER_S);
    if (!m_bReplyReceived) {
        Trace(QStringLiteral("REGISTER_S not written back: its read got no answer"));
        return;
    }
    WriteRegister(REGISTER_S, m_byReply);
}

void CBoardLink::CheckAck()
{
    // A closed port means the failure has been reported already.
    if (!m_hComm)
        return;
    if (m_byReply == ACK)
        return;
    m_host.ShowBoardMessage(QString::fromLatin1(kComErrorMessage), QString());
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
    if (reasons.isEmpty())
        reasons << QStringLiteral("no port to try");
    const QString heading = QStringLiteral("No LDX7320 board found on the ports tried:");
    m_host.WriteDiagnostic(heading);
    for (const QString& reason : reasons)
        m_host.WriteDiagnostic(QStringLiteral("  ") + reason);
    m_host.ShowBoardMessage(QString::fromLatin1(kComErrorMessage), heading + QLatin1Char('\n') + reasons.join(QLatin1Char('\n')));
    ClosePortAndQuit();
}

void CBoardLink::ClosePort()
{
    if (!m_hComm)
        return;
    m_hComm->Close();
    m_hComm.reset();
}

void CBoardLink::Trace(const QString& what) const
{
    if (m_bTrace)
        m_host.WriteDiagnostic(QStringLiteral("%1  %2").arg(m_strPortName, what));
}

void CBoardLink::TraceExchange(int sent, bool sendFailed, bool gotReply, const QByteArray& discarded) const
{
    QString line = QStringLiteral("sent %1  ").arg(Hex(sent));
    if (sendFailed)
        line += QStringLiteral("send failed");
    else
        line += QStringLiteral("received %1").arg(gotReply ? Hex(m_byReply) : QStringLiteral("none"));
    if (!discarded.isEmpty())
        line += QStringLiteral(", then dropped %1").arg(HexBytes(discarded));
    Trace(line);
}

}  // namespace board
