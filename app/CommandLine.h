// The program's command line.
#pragma once

#include "ProgramOptions.h"

#include <QString>
#include <QStringList>

namespace app {

struct CommandLine : board::ProgramCommandLine {
    bool listPorts = false;
};

// arguments as main receives them, the program's name first. Qt's own options (-style
// fusion, -platform offscreen, ...) are left to Qt.
CommandLine ParseCommandLine(const QStringList& arguments);
// What --help, --version and a usage error print.
board::ProgramTexts Texts();

}  // namespace app
