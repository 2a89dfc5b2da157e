// The command line of every program, on Qt's parser: --help, --version and the board's
// options, the program's own beside them, and Qt's own options (-style fusion, -platform
// offscreen, ...) declared but hidden, for QApplication to take. Mistakes are said in the
// programs' own words.
#pragma once

#include "BoardOptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace board {

// An option as a program declares it. For an option with a value, `needs` says what the value
// is, for the message when it is missing or empty ("a device": "--port needs a device").
struct ProgramOption {
    ProgramOption(const QCommandLineOption& option, const QString& needs = QString()) : option(option), needs(needs) {}
    QCommandLineOption option;
    QString needs;
};

// What a command line asks for.
enum class ProgramRead { Run, Help, Version, Usage };

// What every program's command line comes to, before the program's own options.
struct ProgramCommandLine {
    ProgramRead read = ProgramRead::Run;
    QString error;       // with Usage: what is wrong, when the options are at fault
    BoardOptions board;  // with Run
};

// A program's words for --help, --version and a usage error.
struct ProgramTexts {
    QString name;  // "ldx7320-cli", before a usage error's words
    QString usage;
    QString help;
    QString version;
};

// --help and --version print their text on standard output and end the program with 0; a
// mistake in the options is said on standard error, then the usage line, and ends it with
// 2. Nothing when the program is to run.
std::optional<int> AnswerWithoutRunning(const ProgramCommandLine& line, const ProgramTexts& texts);

class CProgramOptions {
public:
    enum class OtherWords {
        Refused,     // every word is an option or its value
        EndOptions,  // the first other word ends the options; it and the rest are the program's
    };

    explicit CProgramOptions(const QList<ProgramOption>& own, OtherWords otherWords = OtherWords::Refused);
    CProgramOptions(const CProgramOptions&) = delete;
    CProgramOptions& operator=(const CProgramOptions&) = delete;

    // arguments as main has them, the program's name first. --help and --version win over
    // every option but a wrong one.
    ProgramRead Parse(const QStringList& arguments);
    // The same, as the record every program's command line starts from.
    ProgramCommandLine Read(const QStringList& arguments);
    // With Usage: what is wrong ("unknown option '--speed'", "--port needs a device").
    const QString& Error() const { return m_error; }
    // With Run:
    const BoardOptions& Board() const { return m_board; }
    bool IsSet(const QString& name) const { return m_parser.isSet(name); }
    QString Value(const QString& name) const { return m_parser.value(name); }
    QStringList Words() const { return m_parser.positionalArguments(); }

    // The usage line and the program's summary, the table of the options with their
    // descriptions, then what the program has to say beyond them. helpFile: a text of the
    // program's resources, the summary its first paragraph; a %1 in it is replaced by list.
    QString HelpText(const QString& usage, const QString& helpFile, const QString& list = QString()) const;

private:
    void Add(const ProgramOption& option);
    ProgramRead Usage(const QString& error);
    QString MissingValue() const;
    // The board's options, or what is wrong with them together.
    QString ReadBoard();

    QCommandLineParser m_parser;
    QHash<QString, QString> m_needs;  // an option with a value: what the value is
    OtherWords m_otherWords;
    BoardOptions m_board;
    QString m_error;
};

}  // namespace board
