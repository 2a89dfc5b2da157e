#include "Commands.h"

#include "BoardCommands.h"
#include "CurrentCode.h"
#include "LatencyCheck.h"
#include "Leds.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <iterator>

namespace cli {

namespace {

// The registers by name: "A", "B", "C", "S" (any case) are REGISTER_A .. _S, 0 to 3.
int RegisterOfName(const QString& word)
{
    const QStringList names{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("S")};
    return int(names.indexOf(word.toUpper()));
}

QString OutputWord(std::optional<bool> on)
{
    return !on ? QStringLiteral("unknown") : *on ? QStringLiteral("on") : QStringLiteral("off");
}

// "0x09, LEDs on: A1 B2" or "code 37, 19.0 mA", as the panel shows a register.
QString TextOfRegister(const RegisterReading& reading)
{
    if (reading.index == board::REGISTER_S) {
        const QStringList leds = codec::LedsOn(reading.value);
        return QStringLiteral("%1, LEDs on: %2").arg(board::Hex(reading.value), leds.isEmpty() ? QStringLiteral("none") : leds.join(QLatin1Char(' ')));
    }
    const int code = reading.value & codec::kCodeMask;
    QString text = QStringLiteral("code %1, %2 mA").arg(code).arg(codec::CurrentNumberText(code));
    if (reading.value != code)
        text += QStringLiteral(" (the register holds %1)").arg(board::Hex(reading.value));
    return text;
}

void AddRegisterFields(const RegisterReading& reading, QJsonObject& object)
{
    object.insert(QStringLiteral("value"), reading.value);
    if (reading.index == board::REGISTER_S) {
        object.insert(QStringLiteral("leds"), QJsonArray::fromStringList(codec::LedsOn(reading.value)));
        return;
    }
    const int code = reading.value & codec::kCodeMask;
    object.insert(QStringLiteral("code"), code);
    object.insert(QStringLiteral("current_mA"), codec::CurrentMilliamps(code));
}

QStringList Answer(const CommandResult& result, const QString& words)
{
    return {result.command.text + QStringLiteral(": ") + words};
}

// What the board did, into the result: done, or the words of what went wrong.
bool Took(const board::BoardResult& done, CommandResult& result)
{
    result.done = done.Done();
    result.error = done.words;
    return result.done;
}

// Silence is a failure here, not a register holding 0.
bool ReadInto(board::CBoardLink& link, int index, CommandResult& result)
{
    const board::BoardResult read = link.ReadRegister(index);
    if (Took(read, result))
        result.readings << RegisterReading{index, *read.value};
    return result.done;
}

// on, off

void RunOutput(board::CBoardLink& link, RunState& state, CommandResult& result)
{
    const bool on = result.command.name == QLatin1String("on");
    // The board must answer them with ACK; the panel does not look.
    if (!Took(link.SwitchOutput(on), result))
        return;
    state.outputOn = on;
    result.outputOn = on;
}

QStringList TextOfOutput(const CommandResult& result)
{
    return Answer(result, QStringLiteral("output ") + OutputWord(result.outputOn));
}

void JsonOfOutput(const CommandResult& result, QJsonObject& answer)
{
    if (result.done)
        answer.insert(QStringLiteral("output"), OutputWord(result.outputOn));
}

// leds

// "none", or LED names joined by commas, to the REGISTER_S bits with exactly those on.
void ReadLeds(const QStringList& arguments, Command& command)
{
    command.registerIndex = board::REGISTER_S;
    const codec::LedsRead leds = codec::ReadLedNames(arguments.at(0).split(QLatin1Char(',')));
    if (leds.bits)
        command.value = *leds.bits;
    command.error = leds.error;
}

void RunLeds(board::CBoardLink& link, RunState&, CommandResult& result)
{
    Took(link.WriteRegister(board::REGISTER_S, result.command.value), result);
}

QStringList TextOfLeds(const CommandResult& result)
{
    return Answer(result, QStringLiteral("REGISTER_S ") + TextOfRegister({board::REGISTER_S, result.command.value}));
}

void JsonOfLeds(const CommandResult& result, QJsonObject& answer)
{
    if (!result.done)
        return;
    answer.insert(QStringLiteral("register"), board::RegisterLetter(board::REGISTER_S));
    AddRegisterFields({board::REGISTER_S, result.command.value}, answer);
}

// read

void ReadRegisterName(const QStringList& arguments, Command& command)
{
    command.registerIndex = RegisterOfName(arguments.at(0));
    if (command.registerIndex < 0)
        command.error = QStringLiteral("'%1' is not a register: S, A, B or C").arg(arguments.at(0));
}

void RunRead(board::CBoardLink& link, RunState&, CommandResult& result)
{
    result.done = ReadInto(link, result.command.registerIndex, result);
}

QStringList TextOfRead(const CommandResult& result)
{
    return Answer(result, TextOfRegister(result.readings.value(0)));
}

void JsonOfRead(const CommandResult& result, QJsonObject& answer)
{
    if (!result.done)
        return;
    answer.insert(QStringLiteral("register"), board::RegisterLetter(result.command.registerIndex));
    AddRegisterFields(result.readings.value(0), answer);
}

// set

// A channel, then a code "0".."63" or a current that is one of the 64 steps, "12.5mA".
void ReadChannelAndCode(const QStringList& arguments, Command& command)
{
    command.registerIndex = RegisterOfName(arguments.at(0));
    if (command.registerIndex < 0 || command.registerIndex == board::REGISTER_S) {
        command.error = QStringLiteral("'%1' is not a channel: A, B or C").arg(arguments.at(0));
        return;
    }
    static const QRegularExpression wholeNumber(QStringLiteral("^[0-9]+$"));
    static const QRegularExpression current(QStringLiteral("^([0-9]+(?:\\.[0-9]+)?)mA$"), QRegularExpression::CaseInsensitiveOption);
    const QString& word = arguments.at(1);
    if (wholeNumber.match(word).hasMatch()) {
        bool ok;  // false when the number is too long for an int
        command.value = word.toInt(&ok);
        if (!ok || command.value > codec::kMaxCode)
            command.error = codec::CodeOutOfRangeWords(word);
        return;
    }
    const QRegularExpressionMatch match = current.match(word);
    if (!match.hasMatch()) {
        command.error = QStringLiteral("'%1' is neither a code (0 to %2) nor a current such as 12.5mA").arg(word).arg(codec::kMaxCode);
        return;
    }
    const std::optional<int> code = codec::CodeOfMilliamps(match.captured(1).toDouble());
    if (code)
        command.value = *code;
    else
        command.error = codec::NotAStepWords(match.captured(1) + QStringLiteral(" mA"));
}

void RunSet(board::CBoardLink& link, RunState&, CommandResult& result)
{
    const board::BoardResult write = link.WriteCurrent(result.command.registerIndex, result.command.value);
    Took(write, result);
    result.currentWritten = write.codeWritten;
}

QStringList TextOfSet(const CommandResult& result)
{
    return Answer(result, TextOfRegister({result.command.registerIndex, result.command.value}) + QStringLiteral(", REGISTER_S written back"));
}

// A failed set still says which current went out.
void JsonOfSet(const CommandResult& result, QJsonObject& answer)
{
    if (!result.currentWritten)
        return;
    answer.insert(QStringLiteral("register"), board::RegisterLetter(result.command.registerIndex));
    answer.insert(QStringLiteral("code"), result.command.value);
    answer.insert(QStringLiteral("current_mA"), codec::CurrentMilliamps(result.command.value));
    answer.insert(QStringLiteral("register_s_written_back"), result.done);
}

// status

void RunStatus(board::CBoardLink& link, RunState& state, CommandResult& result)
{
    result.outputOn = state.outputOn;
    result.done = true;
    for (int index : {board::REGISTER_S, board::REGISTER_A, board::REGISTER_B, board::REGISTER_C})
        result.done = result.done && ReadInto(link, index, result);
}

QStringList TextOfStatus(const CommandResult& result)
{
    QStringList parts{QStringLiteral("output ") + OutputWord(result.outputOn)};
    for (const RegisterReading& reading : result.readings)
        parts << board::RegisterLetter(reading.index) + QLatin1Char(' ') + TextOfRegister(reading);
    return Answer(result, parts.join(QLatin1String("; ")));
}

void JsonOfStatus(const CommandResult& result, QJsonObject& answer)
{
    if (!result.done)
        return;
    answer.insert(QStringLiteral("output"), OutputWord(result.outputOn));
    QJsonObject registers;
    for (const RegisterReading& reading : result.readings) {
        QJsonObject fields;
        AddRegisterFields(reading, fields);
        registers.insert(board::RegisterLetter(reading.index), fields);
    }
    answer.insert(QStringLiteral("registers"), registers);
}

// ports

void RunPorts(board::CBoardLink&, RunState&, CommandResult& result)
{
    result.ports = board::ListSerialPorts();
    result.done = true;
}

// A line per port, as ldx7320 --list-ports shows them.
QStringList TextOfPorts(const CommandResult& result)
{
    return board::FormatPortListing(result.ports);
}

void JsonOfPorts(const CommandResult& result, QJsonObject& answer)
{
    if (!result.done)
        return;
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
            {QStringLiteral("latency_timer_ms"), port.latencyTimerMs ? QJsonValue(*port.latencyTimerMs) : QJsonValue()},
        });
    }
    answer.insert(QStringLiteral("ports"), ports);
}

// latency

// The probe changes nothing on the board, so it may be sent any number of times.
void RunLatency(board::CBoardLink& link, RunState&, CommandResult& result)
{
    const board::LatencyCheck check = board::CheckLatency(link);
    if (!check.failure.isEmpty()) {
        result.error = QStringLiteral("probe %1 of %2: %3").arg(check.roundTripsMs.size() + 1).arg(board::kLatencyProbes).arg(check.failure);
        return;
    }
    const double wire = board::WireMsPerExchange();
    result.latency = {check.MedianMs(), check.LongestMs(), wire, board::LatencyAdvice(check.MedianMs(), wire, link.Latency())};
    result.done = true;
}

QString Milliseconds(double ms)
{
    return QString::number(ms, 'f', 2);
}

QStringList TextOfLatency(const CommandResult& result)
{
    const LatencyFigures& figures = result.latency;
    QString words = QStringLiteral("median %1 ms, longest %2 ms, the wire's own %3 ms")
                        .arg(Milliseconds(figures.medianMs), Milliseconds(figures.longestMs), Milliseconds(figures.wireMs));
    if (!figures.advice.isEmpty())
        words += QStringLiteral("; ") + figures.advice;
    return Answer(result, words);
}

void JsonOfLatency(const CommandResult& result, QJsonObject& answer)
{
    if (!result.done)
        return;
    const LatencyFigures& figures = result.latency;
    const auto rounded = [](double ms) { return Milliseconds(ms).toDouble(); };
    answer.insert(QStringLiteral("median_ms"), rounded(figures.medianMs));
    answer.insert(QStringLiteral("max_ms"), rounded(figures.longestMs));
    answer.insert(QStringLiteral("wire_ms"), rounded(figures.wireMs));
    answer.insert(QStringLiteral("advice"), figures.advice);
}

void NoArguments(const QStringList&, Command&) {}

}  // namespace

const QList<CommandKind>& CommandTable()
{
    static const QList<CommandKind> table{
        {"on", "on\tswitch the board's output on (it must acknowledge)", 0, "'on' takes no argument", true,
         NoArguments, RunOutput, TextOfOutput, JsonOfOutput},
        {"off", "off\tswitch the board's output off (it must acknowledge)", 0, "'off' takes no argument", true,
         NoArguments, RunOutput, TextOfOutput, JsonOfOutput},
        {"leds",
         "leds NAME[,NAME...]\twrite REGISTER_S with exactly these LEDs on (A1 A2 B1 B2 C1 C2)\n"
         "leds none\twrite REGISTER_S with every LED off",
         1, "'leds' takes one argument: NAME[,NAME...] of A1 A2 B1 B2 C1 C2, or none", true,
         ReadLeds, RunLeds, TextOfLeds, JsonOfLeds},
        {"read", "read S|A|B|C\tread a register: S with its LEDs, A B C with code and current", 1,
         "'read' takes one argument: S, A, B or C", true, ReadRegisterName, RunRead, TextOfRead, JsonOfRead},
        {"set",
         "set A|B|C CODE\twrite a current code, 0 to 63, then write REGISTER_S back as read\n"
         "set A|B|C CURRENTmA\tthe same for a current, one of the 64 steps (0.5mA to 32.0mA)",
         2, "'set' takes two arguments: A, B or C, then a code (0 to 63) or a current such as 12.5mA", true,
         ReadChannelAndCode, RunSet, TextOfSet, JsonOfSet},
        {"status", "status\toutput state as set by this run, REGISTER_S, A, B and C", 0, "'status' takes no argument",
         true, NoArguments, RunStatus, TextOfStatus, JsonOfStatus},
        {"latency", "latency\tprobe the board 20 times: median and longest round trip, and what slows them", 0,
         "'latency' takes no argument", true, NoArguments, RunLatency, TextOfLatency, JsonOfLatency},
        {"ports", "ports\tlist this machine's serial ports (needs no board)", 0, "'ports' takes no argument", false,
         NoArguments, RunPorts, TextOfPorts, JsonOfPorts},
    };
    return table;
}

Command ReadCommand(const QStringList& words, int number)
{
    Command command;
    command.number = number;
    command.text = words.join(QLatin1Char(' '));
    command.name = words.value(0).toLower();
    for (const CommandKind& kind : CommandTable()) {
        if (command.name == QLatin1String(kind.name))
            command.kind = &kind;
    }
    if (command.text.contains(QLatin1Char(';'))) {
        command.error = QStringLiteral("';' separates commands only as a word of its own or at the end of a word");
    } else if (!command.kind) {
        QStringList names;
        for (const CommandKind& kind : CommandTable())
            names << QString::fromLatin1(kind.name);
        command.error = QStringLiteral("unknown command '%1': %2").arg(words.value(0), names.join(QLatin1String(", ")));
    } else if (words.size() - 1 != command.kind->argumentCount) {
        command.error = QString::fromLatin1(command.kind->argumentsWanted);
    } else {
        command.kind->read(words.mid(1), command);
    }
    return command;
}

CommandResult RunCommand(board::CBoardLink& link, RunState& state, const Command& command)
{
    CommandResult result;
    result.command = command;
    command.kind->run(link, state, result);
    return result;
}

CommandResult Refusal(const Command& command)
{
    CommandResult result;
    result.command = command;
    result.error = command.error;
    return result;
}

QString CommandHelp()
{
    QStringList lines;
    for (const CommandKind& kind : CommandTable()) {
        for (const QString& line : QString::fromLatin1(kind.help).split(QLatin1Char('\n')))
            lines << QStringLiteral("  ") + line.section(QLatin1Char('\t'), 0, 0).leftJustified(24) + QLatin1Char(' ') + line.section(QLatin1Char('\t'), 1);
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace cli
