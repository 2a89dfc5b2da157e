#include "ProgramOptions.h"

#include <QFile>
#include <cstdio>
#include <functional>

namespace board {

namespace {

const QString kHelp = QStringLiteral("help");
const QString kVersion = QStringLiteral("version");
const QString kPort = QStringLiteral("port");
const QString kSimulate = QStringLiteral("simulate");
const QString kPaced = QStringLiteral("paced");
const QString kTrace = QStringLiteral("trace");

// The options QApplication takes for itself, with a value or without.
const char* const kQtOptionsWithValue[] = {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                                           "qwindowicon", "qwindowtitle", "session", "style", "stylesheet",
                                           "display", "geometry", "title", "icon"};
const char* const kQtOptionsAlone[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

// One of Qt's own options: no mistake, and no line of the help, whose readers need the
// program's options.
ProgramOption QtOption(const char* name, const QString& valueName)
{
    QCommandLineOption option(QString::fromLatin1(name), QString(), valueName);
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    return {option, valueName.isEmpty() ? QString() : QStringLiteral("a value")};
}

// The option an argument names, as the parser reads it: without its dashes and its value.
QString OptionName(const QString& argument)
{
    return argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1).section(QLatin1Char('='), 0, 0);
}

// The first argument naming an option that `wrong` picks, as it was typed, without its value.
QString FirstTyped(const QStringList& arguments, const std::function<bool(const QString& argument)>& wrong)
{
    for (const QString& argument : arguments.mid(1)) {
        if (argument.startsWith(QLatin1Char('-')) && argument != QLatin1String("-") && wrong(argument))
            return argument.section(QLatin1Char('='), 0, 0);
    }
    return QString();
}

}  // namespace

CProgramOptions::CProgramOptions(const QList<ProgramOption>& own, OtherWords otherWords)
    : m_otherWords(otherWords)
{
    // One dash or two, as Qt takes its own options (-style, --style); no option is a letter
    // to be run together with others.
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    if (otherWords == OtherWords::EndOptions)
        m_parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    Add({{{QStringLiteral("h"), kHelp}, QStringLiteral("show this help and exit")}});
    Add({{kVersion, QStringLiteral("show the version and exit")}});
    Add({{kPort,
          QStringLiteral("look for the board on DEVICE only, instead of the default ports; may be given several times, "
                         "tried in the order given"),
          QStringLiteral("DEVICE")},
         QStringLiteral("a device")});
    Add({{kSimulate, QStringLiteral("run against the built-in simulated board: no hardware, no serial port")}});
    Add({{kPaced, QStringLiteral("with --simulate, the simulated board takes as long as a 9600-baud line would")}});
    Add({{kTrace, QStringLiteral("write every byte exchanged with the board to standard error")}});
    for (const ProgramOption& option : own)
        Add(option);
    for (const char* name : kQtOptionsWithValue)
        Add(QtOption(name, QStringLiteral("value")));
    for (const char* name : kQtOptionsAlone)
        Add(QtOption(name, QString()));
}

ProgramRead CProgramOptions::Parse(const QStringList& arguments)
{
    const bool parsed = m_parser.parse(arguments);
    const QStringList unknown = m_parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const QString typed = FirstTyped(arguments, [&](const QString& argument) { return OptionName(argument) == unknown.front(); });
        return Usage(QStringLiteral("unknown option '%1'").arg(typed));
    }
    const QString missing = MissingValue();
    if (!missing.isEmpty())
        return Usage(missing);
    if (!parsed) {  // what is left: a value given to an option that takes none
        const QString typed = FirstTyped(arguments, [this](const QString& argument) {
            return argument.contains(QLatin1Char('=')) && !m_needs.contains(OptionName(argument));
        });
        return Usage(QStringLiteral("%1 takes no value").arg(typed));
    }
    if (m_parser.isSet(kHelp))
        return ProgramRead::Help;
    if (m_parser.isSet(kVersion))
        return ProgramRead::Version;
    if (m_otherWords == OtherWords::Refused && !Words().isEmpty())
        return Usage(QStringLiteral("unknown option '%1'").arg(Words().front()));
    const QString boardError = ReadBoard();
    return boardError.isEmpty() ? ProgramRead::Run : Usage(boardError);
}

ProgramCommandLine CProgramOptions::Read(const QStringList& arguments)
{
    const ProgramRead read = Parse(arguments);
    return {read, m_error, m_board};
}

std::optional<int> AnswerWithoutRunning(const ProgramCommandLine& line, const ProgramTexts& texts)
{
    switch (line.read) {
    case ProgramRead::Help:
        std::printf("%s\n", qPrintable(texts.help));
        return 0;
    case ProgramRead::Version:
        std::printf("%s\n", qPrintable(texts.version));
        return 0;
    case ProgramRead::Usage:
        std::fprintf(stderr, "%s: %s\n%s\n", qPrintable(texts.name), qPrintable(line.error), qPrintable(texts.usage));
        return 2;
    case ProgramRead::Run:
        break;
    }
    return std::nullopt;
}

QString CProgramOptions::HelpText(const QString& usage, const QString& helpFile, const QString& list) const
{
    QFile file(helpFile);
    [[maybe_unused]] const bool read = file.open(QIODevice::ReadOnly | QIODevice::Text);
    Q_ASSERT(read);  // a resource of the program's own
    QString help = QString::fromUtf8(file.readAll()).trimmed();
    if (help.contains(QLatin1String("%1")))
        help = help.arg(list);
    const QString summary = help.section(QStringLiteral("\n\n"), 0, 0);
    const QString more = help.section(QStringLiteral("\n\n"), 1);
    // Qt's usage line names the executable as it was started, and only once there is an
    // application object, which the panel makes after reading its command line: the
    // program's own usage line stands in its place, above Qt's table of the options.
    const QString table = m_parser.helpText().section(QLatin1Char('\n'), 2);
    return usage + QLatin1Char('\n') + summary + QStringLiteral("\n\n") + table + QLatin1Char('\n') + more;
}

void CProgramOptions::Add(const ProgramOption& option)
{
    m_parser.addOption(option.option);
    if (!option.option.valueName().isEmpty())
        m_needs.insert(option.option.names().front(), option.needs);
}

ProgramRead CProgramOptions::Usage(const QString& error)
{
    m_error = error;
    return ProgramRead::Usage;
}

// An option given without its value (the last word of the line) or with an empty one.
QString CProgramOptions::MissingValue() const
{
    const QStringList found = m_parser.optionNames();
    for (const QString& name : found) {
        const QStringList values = m_parser.values(name);
        if (m_needs.contains(name) && (values.size() < found.count(name) || values.contains(QString())))
            return QStringLiteral("--%1 needs %2").arg(name, m_needs.value(name));
    }
    return QString();
}

QString CProgramOptions::ReadBoard()
{
    m_board.simulate = m_parser.isSet(kSimulate);
    m_board.paced = m_parser.isSet(kPaced);
    m_board.trace = m_parser.isSet(kTrace);
    m_board.ports = m_parser.values(kPort);
    if (m_board.simulate && !m_board.ports.isEmpty())
        return QStringLiteral("--simulate and --port cannot be used together");
    if (m_board.paced && !m_board.simulate)
        return QStringLiteral("--paced needs --simulate");
    return QString();
}

}  // namespace board
