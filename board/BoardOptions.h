// The options that say which board to talk to and whether to trace the link. The panel,
// ldx7320-cli and ldx7320-scpi read them alike (ProgramOptions.h).
#pragma once

#include <QStringList>

namespace board {

struct BoardOptions {
    bool simulate = false;
    bool paced = false;  // the simulated board takes as long as a 9600-baud line would
    bool trace = false;
    QStringList ports;  // replaces the default candidates when given
};

}  // namespace board
