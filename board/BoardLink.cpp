#include "BoardLink.h"

#include "BoardCommands.h"
#include "CurrentCode.h"
#include "PlatformAdvice.h"

#include <QElapsedTimer>

namespace board {

QString Hex(int byte)
{
    return QStringLiteral("0x") + QStringLiteral("%1").arg(byte & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

namespace {

QString LostPortWords()
{
    return QStringLiteral("a byte could not be exchanged: the port failed or the device went away");
}

QString HexBytes(const QByteArray& bytes)
{
    QStringList hex;
    for (char byte : bytes)
        hex << Hex(quint8(byte));
    return hex.join(QLatin1Char(' '));
}

}  // namespace

QStringList NoBoardReport(const QStringList& reasons, const QStringList& listedPorts)
{
    QStringList lines{QStringLiteral("No LDX7320 board found on the ports tried:")};
    for (const QString& reason : reasons)
        lines << QStringLiteral("  ") + reason;
    if (reasons.isEmpty())
        lines << QStringLiteral("  no port to try");
    lines << QStringLiteral("What to try:")
          << QStringLiteral("  check that the board is powered and its cable plugged in")
          << (listedPorts.isEmpty() ? QStringLiteral("  this computer lists no serial port")
                                    : QStringLiteral("  the serial ports this computer lists: %1").arg(listedPorts.join(QLatin1String(", "))))
          << QStringLiteral("  ") + PortOptionAdvice()
          << QStringLiteral("  start with --simulate to try it on the simulated board");
    return lines;
}

CBoardLink::CBoardLink(CPortProvider& ports, IBoardHost& host) : m_ports(ports), m_host(host) {}

// A port left open when the program ends is released with the link.
CBoardLink::~CBoardLink() = default;

// Only the search opens ports, and it closes each one it does not keep before the next.
std::optional<OpenFailure> CBoardLink::OpenPort(const QString& name)
{
    std::unique_ptr<CPortDevice> device = m_ports.MakeDevice(name);
    if (const std::optional<OpenFailure> failure = device->Open(LineSettings(), CommTimeouts()))
        return failure;
    m_port = std::move(device);
    m_portName = name;
    for (const QString& note : m_port->OpenNotes())
        Trace(note);
    return std::nullopt;
}

CBoardLink::SendOutcome CBoardLink::SendByte(int byte)
{
    if (!m_port)
        return SendOutcome::PortLost;  // with no port open the write cannot start
    switch (m_port->Send(static_cast<quint8>(byte), kSendLimitMs)) {
    case TransferOutcome::Completed:
        return SendOutcome::Sent;
    case TransferOutcome::FinishedWithFailure:
        return SendOutcome::Failed;
    case TransferOutcome::FailedAtOnce:
    case TransferOutcome::TimedOut:
        break;
    }
    return SendOutcome::PortLost;
}

Exchange CBoardLink::ExchangeByte(int byte)
{
    DropStrayInput();
    Exchange exchange;
    QByteArray discarded;
    QElapsedTimer clock;
    clock.start();
    switch (SendByte(byte)) {
    case SendOutcome::PortLost:
        exchange.outcome = Exchange::Outcome::PortLost;
        TraceExchange(byte, true, exchange, discarded);
        return exchange;
    case SendOutcome::Failed:
        exchange.outcome = Exchange::Outcome::Failed;
        TraceExchange(byte, true, exchange, discarded);
        return exchange;
    case SendOutcome::Sent:
        break;
    }
    const ReceiveResult received = m_port->Receive(kReceiveLimitMs);
    exchange.roundTripMs = double(clock.nsecsElapsed()) / 1e6;
    if (received.gotByte)
        exchange.reply = received.byte;
    switch (received.outcome) {
    case TransferOutcome::Completed:
        // Whatever came behind the reply belongs to no command.
        exchange.outcome = m_port->DiscardInput(&discarded) ? Exchange::Outcome::Completed : Exchange::Outcome::Failed;
        break;
    case TransferOutcome::FailedAtOnce:
        // The device went away while the answer was awaited: as lost as when a byte
        // cannot be sent, and no silent 0.
        exchange.outcome = Exchange::Outcome::PortLost;
        break;
    case TransferOutcome::FinishedWithFailure:
    case TransferOutcome::TimedOut:
        exchange.outcome = Exchange::Outcome::Failed;
        break;
    }
    TraceExchange(byte, false, exchange, discarded);
    return exchange;
}

// A byte waiting before a command is sent was never asked for by it: a reply that came
// after its own exchange gave up, or a byte the board sent unasked. Taken as this
// command's reply it would show a wrong value, or be taken for an acknowledgement.
void CBoardLink::DropStrayInput()
{
    if (!m_port)
        return;
    QByteArray dropped;
    m_port->DiscardInput(&dropped);
    if (!dropped.isEmpty())
        Trace(QStringLiteral("dropped %1, which arrived between exchanges").arg(HexBytes(dropped)));
}

void CBoardLink::ClosePort()
{
    if (!m_port)
        return;
    m_port->Close();
    m_port.reset();
}

BoardResult CBoardLink::SwitchOutput(bool on)
{
    const int byte = on ? CMD_OUTPUT_ON : CMD_OUTPUT_OFF;
    const Exchange exchange = ExchangeByte(byte);
    if (exchange.PortLost())
        return BoardResult::Failure(BoardResult::Status::PortLost, LostPortWords());
    return CheckAck(exchange, byte);
}

BoardResult CBoardLink::WriteRegister(int index, int value)
{
    const int command = CMD_WRITE_REG | (index & kRegisterIndexMask);
    BoardResult result = CheckAck(ExchangeByte(command), command);
    if (result.Done())
        result = CheckAck(ExchangeByte(value), value);
    return result;
}

// Silence is no register holding 0: the result says so, and what the caller makes of it
// is its own (the panel shows 0).
BoardResult CBoardLink::ReadRegister(int index)
{
    const Exchange read = ExchangeByte(CMD_READ_REG | (index & kRegisterIndexMask));
    if (read.PortLost())
        return BoardResult::Failure(BoardResult::Status::PortLost, LostPortWords());
    if (!read.reply)
        return BoardResult::Failure(BoardResult::Status::NoAnswer,
                                    QStringLiteral("the board did not answer the read of REGISTER_%1").arg(RegisterLetter(index)));
    BoardResult result;
    result.value = read.reply;
    return result;
}

BoardResult CBoardLink::WriteCurrent(int index, int code)
{
    BoardResult written = WriteRegister(index, code);
    if (!written.Done())
        return written;
    BoardResult result = ReadRegister(REGISTER_S);
    if (result.Done())
        result = WriteRegister(REGISTER_S, *result.value);
    else if (result.status == BoardResult::Status::NoAnswer) {
        Trace(QStringLiteral("REGISTER_S not written back: its read got no answer"));
        result.words = QStringLiteral("code %1 (%2 mA) was written to %3, but REGISTER_S was not written back: "
                                      "the board did not answer its read")
                           .arg(code)
                           .arg(codec::CurrentNumberText(code), RegisterLetter(index));
    }
    result.codeWritten = true;
    return result;
}

// A byte the board did not take: what it answered instead, or that it did not answer, or,
// for a byte that could not be exchanged at all, that the port went.
BoardResult CBoardLink::CheckAck(const Exchange& exchange, int byte) const
{
    if (exchange.reply == ACK)
        return {};
    QString words;
    if (exchange.PortLost())
        words = LostPortWords();
    else if (!exchange.reply)
        words = QStringLiteral("the board did not answer %1").arg(Hex(byte));
    else
        words = QStringLiteral("the board answered %1 to %2 instead of %3 (ACK)").arg(Hex(*exchange.reply), Hex(byte), Hex(ACK));
    return BoardResult::Failure(BoardResult::Status::NotAcknowledged, words);
}

BoardResult CBoardLink::FindBoardPort(const QStringList& candidates)
{
    QStringList reasons;
    for (const QString& name : candidates) {
        if (const std::optional<OpenFailure> failure = OpenPort(name)) {
            reasons << QStringLiteral("%1: %2").arg(m_ports.DescribePort(name), Describe(*failure));
            continue;
        }
        const Exchange probe = ExchangeByte(CMD_PROBE);
        if (probe.Completed() && probe.reply == ACK) {
            BoardResult found;
            found.port = name;
            return found;
        }
        QString why;
        if (!probe.Completed())
            why = QStringLiteral("opened, but the probe could not be exchanged");
        else if (!probe.reply)
            why = QStringLiteral("opened, but nothing answered the probe");
        else
            why = QStringLiteral("opened, but answered %1 instead of %2").arg(Hex(*probe.reply), Hex(ACK));
        reasons << QStringLiteral("%1: %2").arg(m_ports.DescribePort(name), why);
        ClosePort();
    }
    BoardResult none = BoardResult::Failure(BoardResult::Status::NoBoard,
                                            QStringLiteral("no board found: %1").arg(reasons.join(QLatin1String("; "))));
    none.report = NoBoardReport(reasons, m_ports.ListedPorts());
    return none;
}

void CBoardLink::Trace(const QString& what) const
{
    if (m_trace)
        m_host.WriteDiagnostic(QStringLiteral("%1  %2").arg(m_portName, what));
}

void CBoardLink::TraceExchange(int sent, bool sendFailed, const Exchange& exchange, const QByteArray& discarded) const
{
    QString line = QStringLiteral("sent %1  ").arg(Hex(sent));
    if (sendFailed)
        line += QStringLiteral("send failed");
    else
        line += QStringLiteral("received %1 in %2 ms")
                    .arg(exchange.reply ? Hex(*exchange.reply) : QStringLiteral("none"))
                    .arg(exchange.roundTripMs, 0, 'f', 2);
    if (!discarded.isEmpty())
        line += QStringLiteral(", then dropped %1").arg(HexBytes(discarded));
    Trace(line);
}

}  // namespace board
