// The program's command line.
#pragma once

#include "BoardOptions.h"

#include <QString>
#include <QStringList>

namespace app {

struct CommandLine : board::BoardOptions {
    enum class Action { Run, Help, Version, ListPorts, Usage };
    Action action = Action::Run;
    QString error;       // with Action::Usage: what was wrong
};

CommandLine ParseCommandLine(const QStringList& arguments);
QString UsageText();
QString HelpText();
QString VersionText();

}  // namespace app
