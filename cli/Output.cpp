#include "Output.h"

#include "BoardCommands.h"
#include "BoardLink.h"
#include "CurrentCode.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <iterator>

namespace cli {

namespace {

QStringList LedsOn(int registerS)
{
    QStringList names;
    for (int bit = 0; bit < int(std::size(board::kLedNames)); ++bit) {
        if (registerS & (1 << bit))
            names << QString::fromLatin1(board::kLedNames[bit]);
    }
    return names;
}

QString OutputWord(std::optional<bool> on)
{
    return !on ? QStringLiteral("unknown") : *on ? QStringLiteral("on") : QStringLiteral("off");
}

// "0x09, LEDs on: A1 B2" or "code 37, 19.0 mA", as the panel shows a register.
QString TextOfRegister(const RegisterReading& reading)
{
    if (reading.index == board::REGISTER_S) {
        const QStringList leds = LedsOn(reading.value);
        return QStringLiteral("%1, LEDs on: %2").arg(board::Hex(reading.value), leds.isEmpty() ? QStringLiteral("none") : leds.join(QLatin1Char(' ')));
    }
    const int code = reading.value & codec::kCodeMask;
    QString text = QStringLiteral("code %1, %2 mA").arg(code).arg(codec::CurrentNumberText(code));
    if (reading.value != code)
        text += QStringLiteral(" (the register holds %1)").arg(board::Hex(reading.value));
    return text;
}

QJsonObject JsonOfRegister(const RegisterReading& reading)
{
    QJsonObject object{{QStringLiteral("value"), reading.value}};
    if (reading.index == board::REGISTER_S) {
        object.insert(QStringLiteral("leds"), QJsonArray::fromStringList(LedsOn(reading.value)));
        return object;
    }
    const int code = reading.value & codec::kCodeMask;
    object.insert(QStringLiteral("code"), code);
    object.insert(QStringLiteral("current_mA"), codec::CurrentMilliamps(code));
    return object;
}

QString TextOfDone(const CommandResult& result)
{
    const Command& command = result.command;
    switch (command.kind) {
    case Command::Kind::On:
    case Command::Kind::Off:
        return QStringLiteral("output ") + OutputWord(result.outputOn);
    case Command::Kind::Leds:
        return QStringLiteral("REGISTER_S ") + TextOfRegister({board::REGISTER_S, command.value});
    case Command::Kind::Read:
        return TextOfRegister(result.readings.value(0));
    case Command::Kind::Set:
        return TextOfRegister({command.registerIndex, command.value}) + QStringLiteral(", REGISTER_S written back");
    case Command::Kind::Status: {
        QStringList parts{QStringLiteral("output ") + OutputWord(result.outputOn)};
        for (const RegisterReading& reading : result.readings)
            parts << RegisterName(reading.index) + QLatin1Char(' ') + TextOfRegister(reading);
        return parts.join(QLatin1String("; "));
    }
    default:
        return {};
    }
}

}  // namespace

QString Where(const Command& command, Numbering numbering)
{
    const QString what = numbering == Numbering::Lines ? QStringLiteral("line") : QStringLiteral("command");
    return QStringLiteral("%1 %2 (%3)").arg(what).arg(command.number).arg(command.text);
}

QStringList TextAnswer(const CommandResult& result, Numbering numbering)
{
    if (!result.done)
        return {QStringLiteral("error: %1: %2").arg(Where(result.command, numbering), result.error)};
    if (result.command.kind == Command::Kind::Ports)
        return board::FormatPortListing(result.ports);
    return {result.command.text + QStringLiteral(": ") + TextOfDone(result)};
}

QByteArray JsonAnswer(const CommandResult& result)
{
    const Command& command = result.command;
    QJsonObject answer{{QStringLiteral("command"), command.name}, {QStringLiteral("number"), command.number}};
    if (!result.done)
        answer.insert(QStringLiteral("error"), result.error);
    if (command.kind == Command::Kind::Set && result.currentWritten) {
        answer.insert(QStringLiteral("register"), RegisterName(command.registerIndex));
        answer.insert(QStringLiteral("code"), command.value);
        answer.insert(QStringLiteral("current_mA"), codec::CurrentMilliamps(command.value));
        answer.insert(QStringLiteral("register_s_written_back"), result.done);
    }
    if (!result.done)
        return QJsonDocument(answer).toJson(QJsonDocument::Compact);
    switch (command.kind) {
    case Command::Kind::On:
    case Command::Kind::Off:
        answer.insert(QStringLiteral("output"), OutputWord(result.outputOn));
        break;
    case Command::Kind::Leds:
    case Command::Kind::Read: {
        const RegisterReading reading = command.kind == Command::Kind::Leds
            ? RegisterReading{board::REGISTER_S, command.value}
            : result.readings.value(0);
        answer.insert(QStringLiteral("register"), RegisterName(reading.index));
        const QJsonObject fields = JsonOfRegister(reading);
        for (auto field = fields.begin(); field != fields.end(); ++field)
            answer.insert(field.key(), field.value());
        break;
    }
    case Command::Kind::Status: {
        answer.insert(QStringLiteral("output"), OutputWord(result.outputOn));
        QJsonObject registers;
        for (const RegisterReading& reading : result.readings)
            registers.insert(RegisterName(reading.index), JsonOfRegister(reading));
        answer.insert(QStringLiteral("registers"), registers);
        break;
    }
    case Command::Kind::Ports: {
        QJsonArray ports;
        for (const board::SerialPortEntry& port : result.ports) {
            ports.append(QJsonObject{
                {QStringLiteral("name"), port.name},
                {QStringLiteral("device"), port.location},
                {QStringLiteral("description"), port.description},
                {QStringLiteral("manufacturer"), port.manufacturer},
                {QStringLiteral("usb_id"), board::UsbId(port)},
                {QStringLiteral("serial_number"), port.serialNumber},
                {QStringLiteral("holder"), port.holder},
            });
        }
        answer.insert(QStringLiteral("ports"), ports);
        break;
    }
    default:
        break;
    }
    return QJsonDocument(answer).toJson(QJsonDocument::Compact);
}

COutput::COutput(bool json, LineSink out, LineSink err) : m_json(json), m_out(std::move(out)), m_err(std::move(err)) {}

bool COutput::Answer(const CommandResult& result)
{
    if (m_json)
        return m_out(JsonAnswer(result));
    bool written = true;
    for (const QString& line : TextAnswer(result, m_numbering))
        written = m_out(line.toLocal8Bit()) && written;
    return written;
}

void COutput::Refused(const Command& command)
{
    if (m_json)
        m_out(JsonAnswer(Refusal(command)));
    else
        Note(QStringLiteral("%1: %2").arg(Where(command, m_numbering), command.error));
}

void COutput::Note(const QString& text)
{
    m_err(QStringLiteral("ldx7320-cli: %1").arg(text).toLocal8Bit());
}

void COutput::Diagnostic(const QString& line)
{
    m_err(line.toLocal8Bit());
}

}  // namespace cli

