// The options that say which board to talk to and whether to trace the link. The panel
// and ldx7320-cli take them alike, with the same words for the same mistakes.
#pragma once

#include <QString>
#include <QStringList>

namespace board {

struct BoardOptions {
    bool simulate = false;
    bool trace = false;
    QStringList ports;  // replaces the default candidates when given
};

// Takes arguments[*index] when it is --simulate, --trace, --port DEVICE or --port=DEVICE,
// leaving *index on the last argument used, and returns true; *error then says what is
// missing, if anything. Returns false for any other argument.
bool TakeBoardOption(const QStringList& arguments, int* index, BoardOptions* options, QString* error);

// What is wrong with the options taken together, or nothing.
QString BoardOptionsConflict(const BoardOptions& options);

}  // namespace board
