// The options that say which board to talk to and whether to trace the link. The panel,
// ldx7320-cli and ldx7320-scpi read them alike, through Qt's command-line parser, with the
// same words for the same mistakes.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QCommandLineParser;

namespace board {

struct BoardOptions {
    bool simulate = false;
    bool trace = false;
    QStringList ports;  // replaces the default candidates when given
};

// arguments without the options Qt takes for itself (-style fusion, -platform offscreen,
// ...): QApplication takes them, and the other programs take them as it would, so that
// one set of options serves them all.
QStringList WithoutQtOptions(const QStringList& arguments);

// Adds --port DEVICE (repeatable), --simulate and --trace to a program's parser.
void AddBoardOptions(QCommandLineParser& parser);

// After a successful parse: the options, or what is wrong with them.
struct BoardOptionsRead {
    BoardOptions options;
    QString error;  // "--port needs a device", "--simulate and --port cannot be used together"
};
BoardOptionsRead ReadBoardOptions(const QCommandLineParser& parser);

// After a failed parse: what is wrong, in the programs' own words ("unknown option
// '--speed'", "--port needs a device"). arguments: what the parser was given.
QString ParseError(const QCommandLineParser& parser, const QStringList& arguments);

}  // namespace board
