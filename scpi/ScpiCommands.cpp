#include "ScpiCommands.h"

#include "BoardCommands.h"
#include "CurrentCode.h"
#include "Leds.h"
#include "Instrument.h"
#include "InstrumentIdentity.h"
#include "ScpiParser.h"
#include "Version.h"

#include <cmath>

namespace scpi {

namespace {

const QString kMinimum = QStringLiteral("MINimum");
const QString kMaximum = QStringLiteral("MAXimum");
// The registers REGister names, in the order of its alternatives S|A|B|C.
const int kRegisterOfChoice[] = {board::REGISTER_S, board::REGISTER_A, board::REGISTER_B, board::REGISTER_C};

Error Wrong(int code, const QString& detail)
{
    return Error{code, detail};
}

std::variant<int, Error> ReadBoolean(const QString& word)
{
    if (MatchesMnemonic(word, QStringLiteral("ON")))
        return 1;
    if (MatchesMnemonic(word, QStringLiteral("OFF")))
        return 0;
    const std::optional<Numeric> number = ReadNumeric(word);
    if (!number || !number->suffix.isEmpty())
        return Wrong(kDataTypeError, QStringLiteral("'%1' is not ON, OFF, 1 or 0").arg(word));
    if (number->value != 0 && number->value != 1)
        return Wrong(kDataOutOfRange, QStringLiteral("%1 is not 1 or 0").arg(word));
    return int(number->value);
}

std::variant<int, Error> ReadLeds(const QStringList& names)
{
    const codec::LedsRead leds = codec::ReadLedNames(names);
    if (!leds.bits)
        return Wrong(kDataOutOfRange, leds.error);
    return *leds.bits;
}

// A current must be one of the 64 steps; a number alone is in amperes.
std::variant<int, Error> ReadCurrent(const QString& word)
{
    if (MatchesMnemonic(word, kMinimum))
        return 0;
    if (MatchesMnemonic(word, kMaximum))
        return codec::kMaxCode;
    const std::optional<Numeric> number = ReadNumeric(word);
    if (!number || (number->suffix != QLatin1String("A") && number->suffix != QLatin1String("MA") && !number->suffix.isEmpty()))
        return Wrong(kDataTypeError, QStringLiteral("'%1' is not a current: amperes, or a number with A or MA").arg(word));
    const double milliamps = number->suffix == QLatin1String("MA") ? number->value : number->value * 1000;
    const std::optional<int> code = codec::CodeOfMilliamps(milliamps);
    if (!code)
        return Wrong(kDataOutOfRange, codec::NotAStepWords(word));
    return *code;
}

std::variant<int, Error> ReadCode(const QString& word)
{
    if (MatchesMnemonic(word, kMinimum))
        return 0;
    if (MatchesMnemonic(word, kMaximum))
        return codec::kMaxCode;
    const std::optional<Numeric> number = ReadNumeric(word);
    if (!number || !number->suffix.isEmpty())
        return Wrong(kDataTypeError, QStringLiteral("'%1' is not a code").arg(word));
    if (number->value != std::floor(number->value) || number->value < 0 || number->value > codec::kMaxCode)
        return Wrong(kDataOutOfRange, codec::CodeOutOfRangeWords(word));
    return int(number->value);
}

bool Identify(Call& call)
{
    call.instrument.LookForBoard();
    const QString port = call.instrument.PortName();
    call.answer = QStringLiteral("%1,%2,%3,%4")
                      .arg(QLatin1String(kManufacturer), QLatin1String(kModel), port.isEmpty() ? QStringLiteral("0") : port,
                           QStringLiteral(LDX_VERSION));
    return true;
}

// Output off, every LED off, the three currents at code 0, each written to the board.
bool Reset(Call& call)
{
    if (!call.instrument.SwitchOutput(false, call.session) || !call.instrument.WriteRegister(board::REGISTER_S, 0, call.session))
        return false;
    for (int channel : {board::REGISTER_A, board::REGISTER_B, board::REGISTER_C}) {
        if (!call.instrument.WriteCurrent(channel, 0, call.session))
            return false;
    }
    return true;
}

// A register's bits as IEEE 488.2 reads them: a number, rounded to a whole one.
std::variant<int, Error> ReadRegisterBits(const QString& word, int maximum)
{
    const std::optional<Numeric> number = ReadNumeric(word);
    if (!number || !number->suffix.isEmpty())
        return Wrong(kDataTypeError, QStringLiteral("'%1' is not a number").arg(word));
    const double bits = std::round(number->value);
    if (!std::isfinite(bits) || bits < 0 || bits > maximum)
        return Wrong(kDataOutOfRange, QStringLiteral("%1 is out of range: 0 to %2").arg(word).arg(maximum));
    return int(bits);
}

bool Answer(Call& call, int number)
{
    call.answer = QString::number(number);
    return true;
}

bool ClearStatus(Call& call)
{
    call.session.ClearStatus();
    return true;
}

bool EventStatusEnable(Call& call)
{
    call.session.eventStatusEnable = call.value;
    return true;
}

bool EventStatusEnableQuery(Call& call)
{
    return Answer(call, call.session.eventStatusEnable);
}

// The master summary bit cannot enable itself.
bool ServiceRequestEnable(Call& call)
{
    call.session.serviceRequestEnable = call.value & ~kMasterSummary;
    return true;
}

bool ServiceRequestEnableQuery(Call& call)
{
    return Answer(call, call.session.serviceRequestEnable);
}

// An answer waits when an earlier query of this line has answered, or an earlier line's
// answer is still on its way to the client.
bool StatusByteQuery(Call& call)
{
    return Answer(call, call.session.StatusByte(call.answersWaiting));
}

bool SelfTestQuery(Call& call)
{
    return Answer(call, call.instrument.SelfTest(call.session) ? 0 : 1);
}

// STATus:OPERation and STATus:QUEStionable, by the header's alternative.
StatusGroup& Group(Call& call)
{
    return call.choice == 0 ? call.session.operation : call.session.questionable;
}

bool StatusEventQuery(Call& call)
{
    return Answer(call, std::exchange(Group(call).event, 0));
}

bool StatusConditionQuery(Call& call)
{
    return Answer(call, Group(call).condition);
}

bool StatusEnable(Call& call)
{
    Group(call).enable = call.value;
    return true;
}

bool StatusEnableQuery(Call& call)
{
    return Answer(call, Group(call).enable);
}

bool StatusPreset(Call& call)
{
    call.session.operation.enable = 0;
    call.session.questionable.enable = 0;
    return true;
}

bool EventStatusQuery(Call& call)
{
    call.answer = QString::number(call.session.errors.TakeEventStatus());
    return true;
}

// Every command runs to its end before the next: all are complete once this one runs.
bool OperationComplete(Call& call)
{
    call.session.errors.SetOperationComplete();
    return true;
}

bool OperationCompleteQuery(Call& call)
{
    call.answer = QStringLiteral("1");
    return true;
}

bool Wait(Call&)
{
    return true;
}

bool NextError(Call& call)
{
    call.answer = ErrorAnswer(call.session.errors.Next());
    return true;
}

bool ErrorCountQuery(Call& call)
{
    return Answer(call, call.session.errors.Count());
}

// Every error, oldest first, the queue emptied; "No error" when there was none.
bool AllErrorsQuery(Call& call)
{
    QStringList all{ErrorAnswer(call.session.errors.Next())};
    while (call.session.errors.Count() > 0)
        all << ErrorAnswer(call.session.errors.Next());
    call.answer = all.join(QLatin1Char(','));
    return true;
}

bool Version(Call& call)
{
    call.answer = QStringLiteral("1999.0");
    return true;
}

bool SwitchOutput(Call& call)
{
    return call.instrument.SwitchOutput(call.value != 0, call.session);
}

// The board cannot be asked: what was last switched through this server.
bool OutputQuery(Call& call)
{
    call.answer = call.instrument.OutputOn().value_or(false) ? QStringLiteral("1") : QStringLiteral("0");
    return true;
}

bool WriteLeds(Call& call)
{
    return call.instrument.WriteRegister(board::REGISTER_S, call.value, call.session);
}

bool LedsQuery(Call& call)
{
    const std::optional<quint8> leds = call.instrument.ReadRegister(board::REGISTER_S, call.session);
    if (!leds)
        return false;
    const QStringList on = codec::LedsOn(*leds);
    call.answer = on.isEmpty() ? QStringLiteral("NONE") : on.join(QLatin1Char(','));
    return true;
}

bool WriteCurrent(Call& call)
{
    return call.instrument.WriteCurrent(call.choice, call.value, call.session);
}

bool CurrentQuery(Call& call)
{
    const std::optional<quint8> value = call.instrument.ReadRegister(call.choice, call.session);
    if (value)
        call.answer = codec::AmperesText(*value & codec::kCodeMask);
    return value.has_value();
}

bool CodeQuery(Call& call)
{
    const std::optional<quint8> value = call.instrument.ReadRegister(call.choice, call.session);
    if (value)
        call.answer = QString::number(*value & codec::kCodeMask);
    return value.has_value();
}

bool RegisterQuery(Call& call)
{
    const std::optional<quint8> value = call.instrument.ReadRegister(kRegisterOfChoice[call.choice], call.session);
    if (value)
        call.answer = QString::number(*value);
    return value.has_value();
}

}  // namespace

const QList<ScpiCommand>& ScpiCommandTable()
{
    using P = Parameter;
    static const QList<ScpiCommand> table{
        {"*IDN", true, P::None, false, nullptr, Identify},
        {"*RST", false, P::None, true, nullptr, Reset},
        {"*CLS", false, P::None, false, nullptr, ClearStatus},
        {"*ESE", false, P::Byte, false, nullptr, EventStatusEnable},
        {"*ESE", true, P::None, false, nullptr, EventStatusEnableQuery},
        {"*SRE", false, P::Byte, false, nullptr, ServiceRequestEnable},
        {"*SRE", true, P::None, false, nullptr, ServiceRequestEnableQuery},
        {"*STB", true, P::None, false, nullptr, StatusByteQuery},
        {"*TST", true, P::None, false, nullptr, SelfTestQuery},
        {"*ESR", true, P::None, false, nullptr, EventStatusQuery},
        {"*OPC", false, P::None, false, nullptr, OperationComplete},
        {"*OPC", true, P::None, false, nullptr, OperationCompleteQuery},
        {"*WAI", false, P::None, false, nullptr, Wait},
        {"SYSTem:ERRor[:NEXT]", true, P::None, false, nullptr, NextError},
        {"SYSTem:ERRor:COUNt", true, P::None, false, nullptr, ErrorCountQuery},
        {"SYSTem:ERRor:ALL", true, P::None, false, nullptr, AllErrorsQuery},
        {"STATus:OPERation|QUEStionable[:EVENt]", true, P::None, false, nullptr, StatusEventQuery},
        {"STATus:OPERation|QUEStionable:CONDition", true, P::None, false, nullptr, StatusConditionQuery},
        {"STATus:OPERation|QUEStionable:ENABle", false, P::Word, false, nullptr, StatusEnable},
        {"STATus:OPERation|QUEStionable:ENABle", true, P::None, false, nullptr, StatusEnableQuery},
        {"STATus:PRESet", false, P::None, false, nullptr, StatusPreset},
        {"SYSTem:VERSion", true, P::None, false, nullptr, Version},
        {"OUTPut[:STATe]", false, P::Boolean, true, nullptr, SwitchOutput},
        {"OUTPut[:STATe]", true, P::None, false, nullptr, OutputQuery},
        {"LED[:STATe]", false, P::Leds, true, nullptr, WriteLeds},
        {"LED[:STATe]", true, P::None, true, "UNKNOWN", LedsQuery},
        {"CURRent:A|B|C[:LEVel]", false, P::Current, true, nullptr, WriteCurrent},
        {"CURRent:A|B|C[:LEVel]", true, P::None, true, kNotANumber, CurrentQuery},
        {"CURRent:A|B|C:CODE", false, P::Code, true, nullptr, WriteCurrent},
        {"CURRent:A|B|C:CODE", true, P::None, true, kNotANumber, CodeQuery},
        {"REGister:S|A|B|C", true, P::None, true, kNotANumber, RegisterQuery},
    };
    return table;
}

namespace {

// What a command takes, for the help.
QString ParameterForm(Parameter kind)
{
    switch (kind) {
    case Parameter::None: break;
    case Parameter::Boolean: return QStringLiteral(" ON|OFF|1|0");
    case Parameter::Leds: return QStringLiteral(" A1,B2,...|NONE");
    case Parameter::Current: return QStringLiteral(" <amperes>|<n>MA|MINimum|MAXimum");
    case Parameter::Code: return QStringLiteral(" 0..63|MINimum|MAXimum");
    case Parameter::Byte: return QStringLiteral(" <0..255>");
    case Parameter::Word: return QStringLiteral(" <0..65535>");
    }
    return QString();
}

}  // namespace

QString CommandList()
{
    QStringList lines;
    const char* header = nullptr;
    for (const ScpiCommand& command : ScpiCommandTable()) {
        const QString form = QString::fromLatin1(command.header) + (command.query ? QStringLiteral("?") : ParameterForm(command.parameter));
        if (header && qstrcmp(header, command.header) == 0)
            lines.last() += QStringLiteral(", ") + form;
        else
            lines << QStringLiteral("  ") + form;
        header = command.header;
    }
    return lines.join(QLatin1Char('\n'));
}

std::variant<int, Error> ReadParameter(Parameter kind, const QStringList& parameters)
{
    if (kind == Parameter::None) {
        if (!parameters.isEmpty())
            return Wrong(kParameterNotAllowed, QStringLiteral("'%1'").arg(parameters.front()));
        return 0;
    }
    if (parameters.isEmpty())
        return Wrong(kMissingParameter, {});
    if (kind == Parameter::Leds)
        return ReadLeds(parameters);
    if (parameters.size() > 1)
        return Wrong(kParameterNotAllowed, QStringLiteral("'%1'").arg(parameters.at(1)));
    switch (kind) {
    case Parameter::Boolean: return ReadBoolean(parameters.front());
    case Parameter::Current: return ReadCurrent(parameters.front());
    case Parameter::Code: return ReadCode(parameters.front());
    case Parameter::Byte: return ReadRegisterBits(parameters.front(), 0xFF);
    case Parameter::Word: return ReadRegisterBits(parameters.front(), 0xFFFF);
    default: break;
    }
    return 0;
}

}  // namespace scpi
