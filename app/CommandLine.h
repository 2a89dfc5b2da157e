// The program's command line.
#pragma once

#include <QString>
#include <QStringList>

namespace app {

struct CommandLine {
    enum class Action { Run, Help, Version, ListPorts, Usage };
    Action action = Action::Run;
    bool simulate = false;
    bool trace = false;
    QStringList ports;   // replaces the default candidates when given
    QString error;       // with Action::Usage: what was wrong
};

CommandLine ParseCommandLine(const QStringList& arguments);
QString UsageText();
QString HelpText();
QString VersionText();

}  // namespace app
