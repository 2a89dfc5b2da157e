// The program's command line.
#pragma once

#include "BoardOptions.h"

#include <QString>
#include <QStringList>

namespace app {

struct CommandLine {
    enum class Action { Run, Help, Version, ListPorts, Usage };
    Action action = Action::Run;
    board::BoardOptions board;
    QString error;  // with Action::Usage: what was wrong
};

// arguments as main receives them, the program's name first. Qt's own options (-style
// fusion, -platform offscreen, ...) are left to Qt.
CommandLine ParseCommandLine(const QStringList& arguments);
QString UsageText();
QString HelpText();
QString VersionText();

}  // namespace app
